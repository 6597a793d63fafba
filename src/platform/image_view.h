#pragma once
// Shows one bitmap file, fitted into the view with its aspect kept; empty
// until the first load. It is the program's one drop target for files.

#include <QImage>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

namespace calm {

class ImageView final : public QWidget
{
    Q_OBJECT
  public:
    explicit ImageView(QWidget* parent = nullptr);

    // The reader is chosen by the file name's extension; throws
    // std::runtime_error when the file cannot be opened or read.
    void load(const std::string& path);
    void clear();
    bool has_image() const { return !image_.isNull(); }
    const QImage& image() const { return image_; }

    // Local files dropped on the view, in the order the drop lists them.
    std::function<void(const std::vector<std::string>&)> on_drop;
    // Any mouse button pressed on the view.
    std::function<void()> on_press;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QImage image_;
};

// Where an image of size `image` sits fitted and centred in `view`.
QRect fitted_rect(const QSize& image, const QSize& view);

} // namespace calm
