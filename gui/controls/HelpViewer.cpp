#include "gui/controls/HelpViewer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

namespace oq {

namespace {

constexpr QSize kStartSize(660, 600);

} // namespace

HelpViewer::HelpViewer(QString folder, QWidget* parent)
    : QWidget(parent, Qt::Window), folder_(std::move(folder)), browser_(new QTextBrowser(this)),
      back_(new QToolButton(this)), forward_(new QToolButton(this))
{
    setWindowTitle(tr("Ogg Quorvel Help"));
    resize(kStartSize);

    auto* contents = new QToolButton(this);
    for (auto [button, text, icon] : {std::tuple{back_, tr("Back"), QStyle::SP_ArrowBack},
                                      std::tuple{forward_, tr("Forward"), QStyle::SP_ArrowForward},
                                      std::tuple{contents, tr("Contents"), QStyle::SP_DirHomeIcon}}) {
        button->setText(text);
        button->setIcon(style()->standardIcon(icon));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
    }
    back_->setEnabled(false);
    forward_->setEnabled(false);

    browser_->setOpenExternalLinks(true);
    browser_->setSearchPaths({folder_});
    browser_->setFrameShape(QFrame::NoFrame);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(6, 4, 6, 4);
    bar->addWidget(back_);
    bar->addWidget(forward_);
    bar->addWidget(contents);
    bar->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(bar);
    layout->addWidget(browser_);

    connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(contents, &QToolButton::clicked, this, [this] { ShowTopic(QString::fromLatin1(kContentsTopic)); });
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QToolButton::setEnabled);
}

QString HelpViewer::ProgramHelpFolder()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("help"));
}

bool HelpViewer::ShowTopic(const QString& topic)
{
    const QString path = QDir(folder_).filePath(topic);
    if (!QFileInfo(path).isFile())
        return false;
    browser_->setSource(QUrl::fromLocalFile(path));
    show();
    raise();
    activateWindow();
    return true;
}

QString HelpViewer::CurrentTopic() const
{
    return browser_->source().isEmpty() ? QString() : QFileInfo(browser_->source().toLocalFile()).fileName();
}

} // namespace oq
