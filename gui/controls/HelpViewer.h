#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;
class QToolButton;

namespace oq {

// The program's help: a window that shows the HTML topics kept in the help
// folder beside the program ("Intro.html", "split.html", "tool_2.html" ...),
// with back, forward and contents buttons. Links between topics stay inside
// the window; links to the web open in the user's browser.
class HelpViewer : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kContentsTopic = "Intro.html";

    // Topics are read from `folder`.
    explicit HelpViewer(QString folder, QWidget* parent = nullptr);

    // The help folder of the installed or built program: "help" beside it.
    static QString ProgramHelpFolder();

    // Shows `topic` and brings the window forward. A topic whose file is
    // missing shows nothing and returns false.
    bool ShowTopic(const QString& topic);
    // The topic shown, or empty.
    QString CurrentTopic() const;
    QTextBrowser* Browser() const noexcept { return browser_; }

private:
    QString folder_;
    QTextBrowser* browser_;
    QToolButton* back_;
    QToolButton* forward_;
};

} // namespace oq
