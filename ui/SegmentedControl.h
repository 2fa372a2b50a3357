// A segmented control: a row of labelled segments of which one at most is selected.
// Selecting a segment with the mouse or the arrow keys emits activated(); selecting
// one from code does not.
#pragma once

#include <QStringList>
#include <QWidget>

namespace lendmode {

class SegmentedControl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int tag READ tag WRITE setTag)
    Q_PROPERTY(QStringList labels READ labels WRITE setLabels)
    Q_PROPERTY(int selectedSegment READ selectedSegment WRITE setSelectedSegment)

public:
    explicit SegmentedControl(QWidget* parent = nullptr);

    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    int segmentCount() const { return static_cast<int>(labels_.size()); }
    void setSegmentCount(int count);
    QStringList labels() const { return labels_; }
    void setLabels(const QStringList& labels);
    // Out-of-range segments are ignored.
    QString label(int segment) const;
    void setLabel(const QString& label, int segment);

    // -1 when none is selected.
    int selectedSegment() const { return selected_; }
    void setSelectedSegment(int segment);
    bool isSelected(int segment) const { return segment == selected_ && segment >= 0; }
    void setSelected(bool selected, int segment);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The user selected a segment.
    void activated(int segment);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRectF segmentRect(int segment) const;
    int segmentAt(const QPoint& point) const;
    void choose(int segment);

    int tag_ = 0;
    QStringList labels_;
    int selected_ = -1;
    int pressed_ = -1;
};

}  // namespace lendmode
