// The holder of the icon list of the resource tree views.  BuildTree resets
// it from the standard resource images before it builds a tree.  Never
// shown by the converter; shown anyway, it displays the icons it holds.
#pragma once

#include <QWidget>

#include "gui/app/Images_Form.h"

class QListWidget;

namespace transvane {

class TResourceIconForm final : public QWidget {
    Q_OBJECT

public:
    explicit TResourceIconForm(QWidget* parent = nullptr);

    TImageList TheIcons;
    QListWidget* IconView;

protected:
    void showEvent(QShowEvent* event) override;
};

// Makes the tree views' icons a copy of the standard resource images.
void ResetTreeIcons(TResourceIconForm& icons, const TImagesForm& images);

}  // namespace transvane
