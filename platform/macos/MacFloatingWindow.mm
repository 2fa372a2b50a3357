#include "platform/macos/MacFloatingWindow.h"

#import <AppKit/AppKit.h>

#include <QWidget>

namespace platform::macos {

void floatAboveOtherApplications(QWidget& window, FloatLevel level) {
    NSView* view = (__bridge NSView*)reinterpret_cast<void*>(window.winId());
    NSWindow* native = view.window;
    if (native == nil) return;
    native.level = level == FloatLevel::Alert ? NSModalPanelWindowLevel : NSFloatingWindowLevel;
    const NSWindowCollectionBehavior everywhere = NSWindowCollectionBehaviorCanJoinAllSpaces;
    const NSWindowCollectionBehavior besideFullScreen = NSWindowCollectionBehaviorFullScreenAuxiliary;
    native.collectionBehavior |= everywhere | besideFullScreen;
    // Ordered in front without needing the application to be active.
    [native orderFrontRegardless];
}

}  // namespace platform::macos
