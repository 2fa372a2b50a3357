#include "platform/macos/MacAlertPresenter.h"

#import <AppKit/AppKit.h>

#include <QWidget>

namespace platform::macos {
namespace {

// Above other applications' windows whether or not this one is active, on the Space
// the owner is looking at, including a full-screen one.
void floatAboveOtherApplications(QWidget& box) {
    NSView* view = (__bridge NSView*)reinterpret_cast<void*>(box.winId());
    NSWindow* window = view.window;
    if (window == nil) return;
    window.level = NSModalPanelWindowLevel;
    const NSWindowCollectionBehavior everywhere = NSWindowCollectionBehaviorCanJoinAllSpaces;
    const NSWindowCollectionBehavior besideFullScreen = NSWindowCollectionBehaviorFullScreenAuxiliary;
    window.collectionBehavior |= everywhere | besideFullScreen;
    // Ordered in front without needing the application to be active.
    [window orderFrontRegardless];
}

}  // namespace

MacAlertPresenter::MacAlertPresenter() : dialog_(floatAboveOtherApplications) {}

int MacAlertPresenter::runModal(const Alert& alert) {
    activation_.activateIgnoringOtherApps();
    return dialog_.runModal(alert);
}

}  // namespace platform::macos
