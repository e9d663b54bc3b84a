// The holder of the standard resource images: the small pictures of the
// resource tree, one per kind of node.  Never shown by the converter; shown
// anyway, it displays the images it holds.
#pragma once

#include <QList>
#include <QPixmap>
#include <QWidget>

class QListWidget;

namespace transvane {

// An ordered list of equally sized images, addressed by index.
using TImageList = QList<QPixmap>;

// The positions of the standard resource images.
enum TResourceImage : int {
    FolderClosedImage,
    FolderOpenImage,
    SpriteImage,
    SoundImage,
    BackgroundImage,
    PathImage,
    ScriptImage,
    DataFileImage,
    TimeLineImage,
    ObjectImage,
    RoomImage,
    GameInformationImage,
    GameOptionsImage,
    ResourceImageCount
};

inline constexpr int ResourceImageSize = 16;

// Draws the standard resource images, in the order of TResourceImage.
TImageList DrawResourceImages();

// Shows every image of list in view, in order.
void FillImageView(QListWidget& view, const TImageList& list);

class TImagesForm final : public QWidget {
    Q_OBJECT

public:
    explicit TImagesForm(QWidget* parent = nullptr);

    TImageList ResourceImages;
    QListWidget* ImageView;
};

}  // namespace transvane
