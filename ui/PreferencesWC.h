// The preferences window: one table row per definition row of the shown set (the
// current set), drawn by the cell kind the row names in "idCell", plus the list of
// applications disabled in guest mode. Every edit goes through the row operations of
// Preferences, which post "VVVN1"; while the window is shown it listens for "VVVN1"
// and reloads, so it also follows edits made in the popover. The window only stores:
// nothing here changes the system.
//
// The application list shown and edited is always set 0's, the list launch blocking
// reads, whichever set the rows show: a tick lands in the very record it shows.
//
// Use: construct (no parent: it is a top-level window), call showWindow() to open it;
// closing the window (close(), the title bar, Ctrl/Cmd+W) runs windowWillClose().
#pragma once

#include <QWidget>
#include <memory>

#include "base/plist/Value.h"
#include "model/Preferences.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;

namespace Ui {
class PreferencesWC;
}

namespace lendmode {

class AppCellDelegate;
class AppListModel;
class CellCheck;
class CellPrefChekbox;
class DoubleSlider;
class RowTableView;
class SegmentedControl;

class PreferencesWC : public QWidget {
    Q_OBJECT
public:
    explicit PreferencesWC(QWidget* parent = nullptr);
    ~PreferencesWC() override;

    // Shows the window, registers for "VVVN1" and loads the data.
    void showWindow(QObject* sender = nullptr);
    // Removes the "VVVN1" registration and returns the program to the accessory
    // activation policy (status item only). Runs when the window closes.
    void windowWillClose();
    // Takes the current set and set 0's application list afresh and reloads the tables.
    void updateUI();

    // The row table's and the application list's row counts; 0 for any other table.
    int numberOfRowsInTableView(const QObject* table) const;
    // The view of one definition row (nullptr when its kind has no cell).
    QWidget* tableViewRow(int row);
    // Fills an application cell for row `row` of appList.
    void fillApplicationCell(CellCheck& cell, int row);

    const plist::Array& appList() const;
    AppListModel* appListModel() const { return appModel_; }

    // The row table (outlet).
    RowTableView* tablePref = nullptr;
    // Whether the owner lock is set; a click asks for the opposite, as the popover's
    // menu item does.
    QCheckBox* ownerLockBox = nullptr;
    // Whether Lendmode starts at login, as the system says when the window opens or
    // the row values change.
    QCheckBox* launchAtLoginBox = nullptr;
    // The Shortcuts that switch Focus (macOS 12 and later; hidden before): the owner's
    // Shortcuts as `shortcuts list` gave them when the window opened.
    QComboBox* focusOnShortcut = nullptr;
    QComboBox* focusOffShortcut = nullptr;

public slots:
    void segmentChanged(lendmode::SegmentedControl* sender);
    void segmentButton(QAbstractButton* sender);
    void sliderValueChanged(lendmode::DoubleSlider* sender);
    void boxPressed(QAbstractButton* sender);
    void appDisabledButtonPressed(QAbstractButton* sender);
    void ownerLockBoxPressed();
    void launchAtLoginBoxPressed();
    void focusShortcutChosen(QComboBox* sender);

    // Sizes the window to its rows within the screen's available area (`available`;
    // empty: the screen the window is on). When the rows are taller than the room, the
    // window takes the room and its rows scroll.
    void fitToContent(QRect available = QRect());

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* makeRowView(const QString& identifier);
    void fillRow(CellPrefChekbox& cell, const plist::Value& row);
    const plist::Array* currentPrefs() const;
    std::uint64_t shownSet() const;
    void fillFocusShortcuts();
    // What the Do Not Disturb row says when a Shortcut it runs is missing; empty when
    // none is.
    QString missingFocusShortcuts() const;

    Preferences* prefs = nullptr;
    std::unique_ptr<Ui::PreferencesWC> ui_;
    AppListModel* appModel_ = nullptr;
    AppCellDelegate* appDelegate_ = nullptr;
    Preferences::FocusShortcuts focus_;
    bool observing_ = false;
    bool sized_ = false;
};

}  // namespace lendmode
