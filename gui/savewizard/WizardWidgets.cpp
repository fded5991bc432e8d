#include "gui/savewizard/WizardWidgets.h"

#include "gui/controls/EzRgnButton.h"
#include "gui/controls/Skin.h"
#include "gui/controls/TranPanel.h"
#include "gui/controls/WindowDragger.h"
#include "media/CodecChoice.h"

#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QTreeWidget>

namespace oq {

namespace {

constexpr QRect kPagePlace{6, 36, 380, 274};
// Rows of the list views, as their columns are laid out.
constexpr int kListColumnWidths[] = {26, 155, 55, 60, 60};

} // namespace

QString OggFilesFilter()
{
    QStringList patterns;
    for (const CodecDescriptor* codec : KnownCodecs()) {
        const QString pattern = QLatin1Char('*') + QString::fromUtf8(codec->Extension.data(), codec->Extension.size());
        if (!patterns.contains(pattern))
            patterns << pattern;
    }
    return QObject::tr("Ogg Files (%1)").arg(patterns.join(QLatin1Char(' ')));
}

QString OggFileFilters() { return OggFilesFilter() + QStringLiteral(";;") + QObject::tr("All Files (*)"); }

void PlaceWizardPage(TranPanel& page, const char* name)
{
    page.setObjectName(QLatin1String(name));
    page.setGeometry(kPagePlace);
    page.hide();
    WindowDragger::Install(&page);
}

QLabel* Caption(QWidget* parent, const char* name, const QString& text, const QRect& place)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(place);
    return label;
}

QLineEdit* ReadOnlyEdit(QWidget* parent, const char* name, const QRect& place, const QString& hint)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(place);
    edit->setReadOnly(true);
    edit->setToolTip(hint);
    return edit;
}

EzRgnButton* TextButton(QWidget* parent, const char* name, const QString& caption, QRect place)
{
    auto* button = new EzRgnButton(parent);
    button->setObjectName(QLatin1String(name));
    button->SetImageList(SkinTextButtonPictures(caption, place.size(), parent->devicePixelRatioF()));
    button->SetPaintMode(PaintMode::pmCrop);
    button->move(place.topLeft());
    button->setToolTip(caption);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

EzRgnButton* BrowseButton(QWidget* parent, const char* name, QPoint place)
{
    auto* button = new EzRgnButton(parent);
    button->setObjectName(QLatin1String(name));
    button->SetImageList(SkinButtonPictures(SkinButton::Browse, parent->devicePixelRatioF()));
    button->SetPaintMode(PaintMode::pmCrop);
    button->move(place);
    button->setToolTip(QObject::tr("Browse"));
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QTreeWidget* FileListView(QWidget* parent, const char* name, const QRect& place)
{
    auto* view = new QTreeWidget(parent);
    view->setObjectName(QLatin1String(name));
    view->setGeometry(place);
    view->setRootIsDecorated(false);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setHeaderLabels({QObject::tr("No"), QObject::tr("Filename"), QObject::tr("Bitrate"), QObject::tr("Length"),
                           QObject::tr("File Size")});
    for (int column = 0; column < 5; ++column)
        view->setColumnWidth(column, kListColumnWidths[column]);
    return view;
}

} // namespace oq
