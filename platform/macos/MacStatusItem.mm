#include "platform/macos/MacStatusItem.h"

#import <AppKit/AppKit.h>

#include <CoreGraphics/CoreGraphics.h>

#include <QImage>
#include <QPixmap>
#include <QRectF>
#include <algorithm>

// Receives the button's action and passes it on as the owner's clicked() signal.
@interface LMStatusItemTarget : NSObject
- (instancetype)initWithOwner:(platform::macos::MacStatusItem*)owner;
- (void)disconnect;
- (void)statusItemClicked:(id)sender;
@end

@implementation LMStatusItemTarget {
    platform::macos::MacStatusItem* _owner;
}

- (instancetype)initWithOwner:(platform::macos::MacStatusItem*)owner {
    if ((self = [super init])) _owner = owner;
    return self;
}

- (void)disconnect {
    _owner = nullptr;
}

- (void)statusItemClicked:(id)sender {
    if (_owner) emit _owner->clicked();
}

@end

namespace platform::macos {
namespace {

// The size of a menu bar image, in points.
constexpr int kImageSide = 18;

}  // namespace

struct MacStatusItem::Impl {
    NSStatusItem* item = nil;
    // NSControl holds its target weakly, so the target is owned here.
    LMStatusItemTarget* target = nil;
    QString title;
};

MacStatusItem::MacStatusItem(QObject* parent) : StatusItem(parent), impl_(std::make_unique<Impl>()) {
    impl_->item = [[NSStatusBar systemStatusBar] statusItemWithLength:NSVariableStatusItemLength];
    impl_->target = [[LMStatusItemTarget alloc] initWithOwner:this];
    NSStatusBarButton* button = impl_->item.button;
    button.target = impl_->target;
    button.action = @selector(statusItemClicked:);
    // A right click opens the popover too, as the tray's context click does on Linux.
    [button sendActionOn:NSEventMaskLeftMouseUp | NSEventMaskRightMouseUp];
    setTitle(QString());
}

MacStatusItem::~MacStatusItem() {
    [impl_->target disconnect];
    NSStatusBarButton* button = impl_->item.button;
    button.target = nil;
    button.action = nullptr;
    [[NSStatusBar systemStatusBar] removeStatusItem:impl_->item];
}

void MacStatusItem::setImage(const QIcon& image) {
    NSStatusBarButton* button = impl_->item.button;
    if (image.isNull()) {
        button.image = nil;
        return;
    }
    // Drawn for the sharpest screen the item may show on, so it stays crisp when the
    // menu bar moves to a Retina display; AppKit scales it down elsewhere.
    NSWindow* window = button.window;
    const CGFloat scale = window ? window.backingScaleFactor : NSScreen.mainScreen.backingScaleFactor;
    const qreal ratio = std::max<qreal>(2.0, scale);
    const QPixmap pixmap = image.pixmap(QSize(kImageSide, kImageSide), ratio);
    const QImage bitmap = pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    CGImageRef cgImage = bitmap.toCGImage();
    if (!cgImage) {
        button.image = nil;
        return;
    }
    const QSizeF points = pixmap.deviceIndependentSize();
    NSImage* drawn = [[NSImage alloc] initWithCGImage:cgImage
                                                 size:NSMakeSize(points.width(), points.height())];
    // A mask is a template image: the menu bar draws it in its own colour, dark or light.
    // (The property is reached by its setter: `template` is a C++ keyword.)
    [drawn setTemplate:image.isMask()];
    button.image = drawn;
    // toCGImage hands over a reference of its own; the NSImage keeps another.
    CGImageRelease(cgImage);
}

void MacStatusItem::setTitle(const QString& title) {
    impl_->title = title;
    NSStatusBarButton* button = impl_->item.button;
    button.title = title.toNSString();
    button.imagePosition = title.isEmpty() ? NSImageOnly : NSImageLeft;
}

void MacStatusItem::setToolTip(const QString& text) {
    impl_->item.button.toolTip = text.toNSString();
}

QString MacStatusItem::title() const {
    return impl_->title;
}

QRect MacStatusItem::anchorRect() const {
    NSStatusBarButton* button = impl_->item.button;
    NSWindow* window = button.window;
    NSScreen* primary = NSScreen.screens.firstObject;
    if (!button || !window || !primary) return {};
    // Cocoa's screen coordinates rise from the bottom of the primary screen; Qt's
    // descend from its top.
    const NSRect inWindow = [button convertRect:button.bounds toView:nil];
    const NSRect onScreen = [window convertRectToScreen:inWindow];
    const CGFloat top = NSHeight(primary.frame) - NSMaxY(onScreen);
    return QRectF(NSMinX(onScreen), top, NSWidth(onScreen), NSHeight(onScreen)).toAlignedRect();
}

}  // namespace platform::macos
