#include "gui/app/Images_Form.h"

#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <functional>

#include "gui/app/Support_Window.h"

namespace transvane {

namespace {

// Every image is drawn on a transparent 16 x 16 square with antialiasing,
// in a plain palette that reads well on light and dark backgrounds.
QPixmap Draw(const std::function<void(QPainter&)>& paint) {
    QPixmap image(ResourceImageSize, ResourceImageSize);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter);
    return image;
}

const QColor Outline(60, 60, 60);

void Folder(QPainter& p, bool open) {
    p.setPen(QPen(QColor(150, 110, 20), 1));
    p.setBrush(QColor(240, 200, 80));
    p.drawRect(QRectF(1.5, 3.5, 6, 2));
    p.drawRect(QRectF(1.5, 4.5, 13, 9));
    if (open) {
        p.setBrush(QColor(252, 226, 130));
        p.drawPolygon(QPolygonF({{3.5, 7.5}, {15.5, 7.5}, {13.5, 13.5}, {1.5, 13.5}}));
    }
}

void Sprite(QPainter& p) {
    // A little figure: head and body.
    p.setPen(QPen(Outline, 1));
    p.setBrush(QColor(230, 60, 60));
    p.drawEllipse(QRectF(5.5, 1.5, 5, 5));
    p.setBrush(QColor(60, 110, 220));
    p.drawRoundedRect(QRectF(4.5, 7.5, 7, 7), 2, 2);
}

void Sound(QPainter& p) {
    // A musical note.
    p.setPen(QPen(QColor(40, 40, 160), 1.5));
    p.drawLine(QPointF(10.5, 2), QPointF(10.5, 11.5));
    p.drawLine(QPointF(10.5, 2), QPointF(14, 4.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 160));
    p.drawEllipse(QRectF(4.5, 9.5, 6.5, 5));
}

void Background(QPainter& p) {
    // A landscape: sky, sun and hill.
    p.setPen(QPen(Outline, 1));
    p.setBrush(QColor(150, 200, 250));
    p.drawRect(QRectF(0.5, 2.5, 15, 11));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 220, 60));
    p.drawEllipse(QRectF(10, 4, 3.5, 3.5));
    p.setBrush(QColor(70, 160, 60));
    p.drawPolygon(QPolygonF({{1, 13}, {6, 7}, {10, 11}, {15, 9}, {15, 13}}));
}

void Path(QPainter& p) {
    // A curve through three points.
    QPainterPath curve(QPointF(2, 13));
    curve.cubicTo(QPointF(2, 2), QPointF(14, 14), QPointF(14, 3));
    p.setPen(QPen(QColor(200, 80, 20), 1.5));
    p.drawPath(curve);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 60, 60));
    for (const QPointF& point : {QPointF(2, 13), QPointF(8, 8), QPointF(14, 3)})
        p.drawEllipse(point, 1.6, 1.6);
}

void Page(QPainter& p, const QColor& paper) {
    p.setPen(QPen(Outline, 1));
    p.setBrush(paper);
    p.drawPolygon(QPolygonF({{2.5, 0.5}, {10.5, 0.5}, {13.5, 3.5}, {13.5, 15.5}, {2.5, 15.5}}));
}

void Script(QPainter& p) {
    // A page of code lines.
    Page(p, Qt::white);
    p.setPen(QPen(QColor(40, 120, 40), 1));
    for (int row = 0; row < 4; ++row) {
        const double y = 4.5 + 3 * row;
        p.drawLine(QPointF(row % 2 == 0 ? 4.5 : 6.5, y), QPointF(11.5 - row % 3, y));
    }
}

void DataFile(QPainter& p) {
    // A page with a block of binary data.
    Page(p, QColor(245, 245, 245));
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            if ((row + column) % 2 == 0) {
                p.setBrush(QColor(90, 90, 170));
                p.drawRect(QRectF(4.5 + 2.5 * column, 5 + 3 * row, 2, 2));
            }
}

void TimeLine(QPainter& p) {
    // A clock face.
    p.setPen(QPen(Outline, 1));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(QPen(QColor(180, 30, 30), 1.5));
    p.drawLine(QPointF(8, 8), QPointF(8, 3.5));
    p.drawLine(QPointF(8, 8), QPointF(11.5, 9.5));
}

void Object(QPainter& p) {
    // A shaded ball.
    QRadialGradient shade(QPointF(6, 6), 8);
    shade.setColorAt(0, QColor(170, 220, 255));
    shade.setColorAt(1, QColor(20, 80, 180));
    p.setPen(QPen(Outline, 1));
    p.setBrush(shade);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
}

void Room(QPainter& p) {
    // A floor plan grid.
    p.setPen(QPen(Outline, 1));
    p.setBrush(QColor(220, 200, 160));
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setPen(QPen(QColor(150, 120, 80), 1));
    for (double at : {5.5, 10.5}) {
        p.drawLine(QPointF(at, 2), QPointF(at, 14));
        p.drawLine(QPointF(2, at), QPointF(14, at));
    }
}

void GameInformation(QPainter& p) {
    // An "i" in a blue disc.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 90, 200));
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 4.8), 1.3, 1.3);
    p.drawRect(QRectF(7, 7, 2, 5.5));
}

void GameOptions(QPainter& p) {
    // A cog wheel.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(110, 110, 120));
    p.translate(8, 8);
    for (int tooth = 0; tooth < 8; ++tooth) {
        p.drawRect(QRectF(-1.5, -7.5, 3, 4));
        p.rotate(45);
    }
    p.drawEllipse(QPointF(0, 0), 5.2, 5.2);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(0, 0), 2, 2);
}

}  // namespace

TImageList DrawResourceImages() {
    TImageList images;
    images.reserve(ResourceImageCount);
    images.append(Draw([](QPainter& p) { Folder(p, false); }));
    images.append(Draw([](QPainter& p) { Folder(p, true); }));
    images.append(Draw(Sprite));
    images.append(Draw(Sound));
    images.append(Draw(Background));
    images.append(Draw(Path));
    images.append(Draw(Script));
    images.append(Draw(DataFile));
    images.append(Draw(TimeLine));
    images.append(Draw(Object));
    images.append(Draw(Room));
    images.append(Draw(GameInformation));
    images.append(Draw(GameOptions));
    return images;
}

void FillImageView(QListWidget& view, const TImageList& list) {
    view.clear();
    for (int index = 0; index < list.size(); ++index)
        view.addItem(new QListWidgetItem(QIcon(list[index]), QString::number(index)));
}

TImagesForm::TImagesForm(QWidget* parent)
    : QWidget(parent, Qt::Window), ResourceImages(DrawResourceImages()), ImageView(new QListWidget(this)) {
    setObjectName(QStringLiteral("ImagesForm"));
    setWindowTitle(QStringLiteral("Images"));
    setFont(ConverterFont(11));
    ImageView->setObjectName(QStringLiteral("ImageView"));
    ImageView->setViewMode(QListView::IconMode);
    ImageView->setIconSize(QSize(ResourceImageSize, ResourceImageSize));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ImageView);
    FillImageView(*ImageView, ResourceImages);
    resize(240, 160);
}

}  // namespace transvane
