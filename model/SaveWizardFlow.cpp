#include "model/SaveWizardFlow.h"

#include "base/TimeCode.h"

namespace oq {

namespace {

constexpr int kJoinMinimumFiles = 2;
constexpr std::int64_t kHundredthsPerSecond = 100;

} // namespace

void SaveWizardFlow::Activate(ActiveTool tool, bool exportOneSection)
{
    tool_ = tool;
    export_ = tool == ActiveTool::Split && exportOneSection;
    if (export_) {
        page_ = WizardPage::Final;
        shown_ = SharedButton::Start;
    } else {
        page_ = OptionsPage();
        shown_ = SharedButton::Next;
    }
}

WizardPage SaveWizardFlow::OptionsPage() const noexcept
{
    switch (tool_) {
    case ActiveTool::Join:
        return WizardPage::JoinList;
    case ActiveTool::Wav:
        return WizardPage::WavList;
    case ActiveTool::Catalog:
        return WizardPage::CatalogOptions;
    case ActiveTool::Split:
        break;
    }
    return WizardPage::SplitOptions;
}

bool SaveWizardFlow::Next(int joinFiles)
{
    if (page_ == WizardPage::Final || shown_ != SharedButton::Next)
        return false;
    if (tool_ == ActiveTool::Join && joinFiles < kJoinMinimumFiles)
        return false;
    page_ = WizardPage::Final;
    shown_ = SharedButton::Start;
    return true;
}

bool SaveWizardFlow::Back()
{
    if (!BackEnabled())
        return false;
    page_ = OptionsPage();
    shown_ = SharedButton::Next;
    return true;
}

bool SaveWizardFlow::Start()
{
    if (page_ != WizardPage::Final || shown_ != SharedButton::Start)
        return false;
    shown_ = SharedButton::Pause;
    return true;
}

void SaveWizardFlow::RunEnded()
{
    if (shown_ == SharedButton::Pause)
        shown_ = SharedButton::Done;
}

bool SaveWizardFlow::BackEnabled() const noexcept
{
    return page_ == WizardPage::Final && shown_ == SharedButton::Start && !export_;
}

std::string SaveWizardFlow::HelpTopic() const
{
    switch (page_) {
    case WizardPage::JoinList:
        return "tool_2.html";
    case WizardPage::WavList:
        return "tool_3.html";
    case WizardPage::CatalogOptions:
        return "tool_4.html";
    case WizardPage::SplitOptions:
    case WizardPage::Final:
        break;
    }
    return "Intro.html";
}

std::string ElapsedText(std::int64_t seconds)
{
    return ShortTime(FormatTimeCode(static_cast<std::int32_t>(seconds * kHundredthsPerSecond)));
}

} // namespace oq
