// Shows one image scaled into its rectangle, sharp at any pixel ratio.
#pragma once

#include <QIcon>
#include <QWidget>

namespace lendmode {

class ImageView : public QWidget {
    Q_OBJECT
public:
    explicit ImageView(QWidget* parent = nullptr);
    QIcon image() const { return image_; }
    void setImage(const QIcon& image);
    QSize sizeHint() const override { return {20, 20}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QIcon image_;
};

}  // namespace lendmode
