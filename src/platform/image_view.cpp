#include "image_view.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QImageReader>
#include <QMimeData>
#include <QPainter>
#include <QUrl>
#include <stdexcept>

namespace calm {

namespace {

// A file manager sends the name's bytes percent-encoded
// ("file:///v/%E9t%E9.mp4"); they are taken back as bytes, since decoding
// them as text would turn a name that is not UTF-8 into another one.
std::vector<std::string> local_files(const QMimeData* mime)
{
    std::vector<std::string> out;
    if (!mime || !mime->hasUrls())
        return out;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile())
            continue;
        QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        if (const QString host = url.host(); !host.isEmpty())
            path.prepend("//" + host.toUtf8()); // as toLocalFile() names a shared folder
        out.push_back(path.toStdString());
    }
    return out;
}

} // namespace

QRect fitted_rect(const QSize& image, const QSize& view)
{
    if (image.isEmpty() || view.isEmpty())
        return {};
    const QSize s = image.scaled(view, Qt::KeepAspectRatio);
    return QRect(QPoint((view.width() - s.width()) / 2, (view.height() - s.height()) / 2), s);
}

ImageView::ImageView(QWidget* parent) : QWidget(parent)
{
    setAcceptDrops(true);
    setCursor(Qt::ArrowCursor);
}

void ImageView::load(const std::string& path)
{
    const QString name = QFile::decodeName(QByteArray::fromStdString(path));
    QImageReader reader(name);
    reader.setDecideFormatFromContent(false);
    QImage img = reader.read();
    if (img.isNull())
        throw std::runtime_error("Cannot open the picture " + path + ": " +
                                 reader.errorString().toStdString());
    image_ = std::move(img);
    update();
}

void ImageView::clear()
{
    image_ = QImage();
    update();
}

void ImageView::paintEvent(QPaintEvent*)
{
    if (image_.isNull())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(fitted_rect(image_.size(), size()), image_);
}

void ImageView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!local_files(event->mimeData()).empty())
        event->acceptProposedAction();
}

void ImageView::dragMoveEvent(QDragMoveEvent* event)
{
    if (!local_files(event->mimeData()).empty())
        event->acceptProposedAction();
}

void ImageView::dropEvent(QDropEvent* event)
{
    auto files = local_files(event->mimeData());
    if (files.empty())
        return;
    event->acceptProposedAction();
    if (on_drop)
        on_drop(files);
}

void ImageView::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (on_press)
        on_press();
}

} // namespace calm
