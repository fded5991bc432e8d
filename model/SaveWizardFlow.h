#pragma once

#include <cstdint>
#include <string>

namespace oq {

// The tool the save wizard runs, as the main window chooses it.
enum class ActiveTool : std::uint8_t { Split = 0, Join = 1, Wav = 2, Catalog = 3 };

enum class WizardPage { SplitOptions, JoinList, WavList, CatalogOptions, Final };

// The button shown in the one place that Next, Start, Pause and Done share.
enum class SharedButton { Next, Start, Pause, Done };

// The save wizard's pages and button states, without its window: which page
// shows, which button stands in the shared place, whether Back and the
// final page's labels are enabled, and the help topic of the page.
//
// States: options page (Next), final page ready (Start), running (Pause),
// finished (Done). An export enters at "final page ready" and never goes
// back; a finished run can only be closed.
class SaveWizardFlow {
public:
    // The wizard is shown for `tool`; `exportOneSection` only with the split tool.
    void Activate(ActiveTool tool, bool exportOneSection);
    // From the options page to the final page. `joinFiles` is the join
    // list's length: a join needs at least two files. Returns whether it moved.
    bool Next(int joinFiles = 0);
    // From the final page before Start back to the options page.
    bool Back();
    // Start was pressed: the run begins.
    bool Start();
    // The run has ended (finished, emptied by a declined overwrite, or failed).
    void RunEnded();

    ActiveTool Tool() const noexcept { return tool_; }
    bool ExportOneSection() const noexcept { return export_; }
    WizardPage Page() const noexcept { return page_; }
    WizardPage OptionsPage() const noexcept;
    SharedButton Shown() const noexcept { return shown_; }
    bool Running() const noexcept { return shown_ == SharedButton::Pause; }
    bool BackEnabled() const noexcept;
    bool RunLabelsEnabled() const noexcept { return shown_ == SharedButton::Pause; }
    bool ReadyLabelEnabled() const noexcept { return page_ != WizardPage::Final || shown_ == SharedButton::Start; }
    // The help topic of the visible page.
    std::string HelpTopic() const;

private:
    ActiveTool tool_ = ActiveTool::Split;
    bool export_ = false;
    WizardPage page_ = WizardPage::SplitOptions;
    SharedButton shown_ = SharedButton::Next;
};

// The elapsed time of a run as the final page shows it, "HH:MM:SS".
std::string ElapsedText(std::int64_t seconds);

} // namespace oq
