#include "gui/app/ResourceIcon_Form.h"

#include <QListWidget>
#include <QVBoxLayout>

#include "gui/app/Support_Window.h"

namespace transvane {

TResourceIconForm::TResourceIconForm(QWidget* parent) : QWidget(parent, Qt::Window), IconView(new QListWidget(this)) {
    setObjectName(QStringLiteral("ResourceIconForm"));
    setWindowTitle(QStringLiteral("Resource Icons"));
    setFont(ConverterFont(11));
    IconView->setObjectName(QStringLiteral("IconView"));
    IconView->setViewMode(QListView::IconMode);
    IconView->setIconSize(QSize(ResourceImageSize, ResourceImageSize));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(IconView);
    resize(240, 160);
}

void TResourceIconForm::showEvent(QShowEvent* event) {
    // The list changes with every tree that is built; show what it holds now.
    FillImageView(*IconView, TheIcons);
    QWidget::showEvent(event);
}

void ResetTreeIcons(TResourceIconForm& icons, const TImagesForm& images) {
    icons.TheIcons = images.ResourceImages;
    if (icons.isVisible())
        FillImageView(*icons.IconView, icons.TheIcons);
}

}  // namespace transvane
