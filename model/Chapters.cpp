#include "model/Chapters.h"

#include "codec/ChapterFieldName.h"
#include "media/FileLinks.h"
#include "base/Error.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>

namespace oq {

namespace {

constexpr std::string_view kEndMark = "-->";
constexpr std::size_t kNumberDigits = 3; // 000 .. 999
// An hour field longer than this is no time any recording has, and six
// digits keep the products below within 64 bits at the rates Vorbis and
// Opus streams have (under 2^20 frames per second).
constexpr std::size_t kMostHourDigits = 6;
constexpr std::size_t kMostFractionDigits = 9; // nanoseconds
constexpr std::int64_t kSecondsPerMinute = 60;
constexpr std::int64_t kSecondsPerHour = 3600;
constexpr std::int64_t kMillisecondsPerSecond = 1000;

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

// A run of digits as a number; nothing for an empty or longer run.
std::optional<std::int64_t> Digits(std::string_view text, std::size_t most)
{
    if (text.empty() || text.size() > most || !std::ranges::all_of(text, IsDigit))
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : text)
        value = value * 10 + (c - '0');
    return value;
}

// "HH:MM:SS" with an optional fraction of up to nine digits, as frames at
// `rate`, rounded half up; nothing for other text.
std::optional<std::int64_t> ReadTime(std::string_view text, std::int32_t rate)
{
    const std::size_t firstColon = text.find(':');
    if (firstColon == std::string_view::npos || text.size() < firstColon + 6 || text[firstColon + 3] != ':')
        return std::nullopt;
    const auto hours = Digits(text.substr(0, firstColon), kMostHourDigits);
    const auto minutes = Digits(text.substr(firstColon + 1, 2), 2);
    const auto seconds = Digits(text.substr(firstColon + 4, 2), 2);
    if (!hours || !minutes || !seconds || *minutes >= kSecondsPerMinute || *seconds >= kSecondsPerMinute)
        return std::nullopt;
    std::int64_t fraction = 0;
    std::int64_t scale = 1;
    if (const std::string_view tail = text.substr(firstColon + 6); !tail.empty()) {
        const auto digits = tail.front() == '.' ? Digits(tail.substr(1), kMostFractionDigits) : std::nullopt;
        if (!digits)
            return std::nullopt;
        fraction = *digits;
        for (std::size_t i = 1; i < tail.size(); ++i)
            scale *= 10;
    }
    const std::int64_t whole = *hours * kSecondsPerHour + *minutes * kSecondsPerMinute + *seconds;
    // The fraction's part stays below 10^9 * 2^20 * 2.
    return whole * rate + (fraction * rate * 2 + scale) / (scale * 2);
}

std::string Quoted(const std::string& name, const std::string& value) { return name + "=\"" + value + "\""; }

// A chapter as its fields give it, before the chapters are put in order.
struct FieldChapter {
    std::string TimeField; // "NAME=value" as written, for messages
    std::int64_t Sample = 0;
    std::optional<std::int64_t> EndSample;
    std::optional<std::string> Title;
};

} // namespace

bool ChapterFields::Is(std::string_view field)
{
    return ChapterFieldName::Read(field.substr(0, std::min(field.find('='), field.size()))).has_value();
}

std::vector<Chapter> ChapterFields::Parse(const std::vector<std::pair<std::string, std::string>>& comments,
                                          std::int32_t rate, std::int64_t length, const std::string& fileName)
{
    const auto refuse = [&fileName](const std::string& reason) { throw FormatError(fileName, reason); };
    std::map<std::int64_t, FieldChapter> byNumber;
    // Titles first seen before their times wait here for them.
    std::map<std::int64_t, std::pair<std::string, std::string>> titles; // number: field, title
    for (const auto& [name, value] : comments) {
        const std::optional<ChapterFieldName> field = ChapterFieldName::Read(name);
        if (!field)
            continue;
        const std::string shown = Quoted(name, value);
        const std::optional<std::int64_t> number = Digits(field->Digits, kNumberDigits);
        if (!number)
            refuse("the chapter field " + shown + " has a number past 999, the last a chapter field can have");
        if (field->Title) {
            if (!titles.emplace(*number, std::pair{shown, value}).second)
                refuse("the chapter field " + shown + " names chapter " + std::string(field->Digits) + " a second time");
            continue;
        }
        FieldChapter chapter{.TimeField = shown, .Sample = 0, .EndSample = std::nullopt, .Title = std::nullopt};
        const std::size_t endMark = value.find(kEndMark);
        const std::string_view start = Trimmed(std::string_view(value).substr(0, endMark));
        const std::optional<std::int64_t> sample = ReadTime(start, rate);
        if (!sample)
            refuse("the chapter field " + shown + " holds no time HH:MM:SS.fff");
        chapter.Sample = *sample;
        if (endMark != std::string::npos) {
            chapter.EndSample = ReadTime(Trimmed(std::string_view(value).substr(endMark + kEndMark.size())), rate);
            if (!chapter.EndSample)
                refuse("the chapter field " + shown + " holds no end time HH:MM:SS.fff after \"-->\"");
        }
        if (!byNumber.emplace(*number, std::move(chapter)).second)
            refuse("the chapter field " + shown + " gives the time of chapter " + std::string(field->Digits) +
                   " a second time");
    }
    for (auto& [number, title] : titles) {
        const auto chapter = byNumber.find(number);
        if (chapter == byNumber.end())
            refuse("the chapter field " + title.first + " names a chapter that has no time field");
        chapter->second.Title = title.second;
    }

    // An end time may lie up to a millisecond past the last frame: written
    // to the millisecond, the end of the audio may round up past it.
    const std::int64_t endReach = length + rate / kMillisecondsPerSecond;
    const std::string end = Time(length, rate);
    std::vector<Chapter> chapters;
    const FieldChapter* previous = nullptr;
    for (auto& [number, field] : byNumber) {
        if (field.Sample >= length)
            refuse("the chapter field " + field.TimeField + " lies at or past the end of the audio, " + end);
        if (field.EndSample && (*field.EndSample <= field.Sample || *field.EndSample > endReach))
            refuse("the chapter field " + field.TimeField + " ends " +
                   (*field.EndSample <= field.Sample ? "before it starts" : "past the end of the audio, " + end));
        if (previous && field.Sample <= previous->Sample)
            refuse("the chapter field " + field.TimeField + " does not follow " + previous->TimeField +
                   ": chapter times rise with their numbers");
        chapters.push_back({field.Sample, field.Title.value_or(""), field.EndSample});
        previous = &field;
    }
    return chapters;
}

std::string ChapterFields::Time(std::int64_t sample, std::int32_t rate)
{
    const std::int64_t milliseconds = (sample * kMillisecondsPerSecond * 2 + rate) / (std::int64_t{rate} * 2);
    const std::int64_t seconds = milliseconds / kMillisecondsPerSecond;
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld", static_cast<long long>(seconds / kSecondsPerHour),
                  static_cast<long long>(seconds / kSecondsPerMinute % kSecondsPerMinute),
                  static_cast<long long>(seconds % kSecondsPerMinute),
                  static_cast<long long>(milliseconds % kMillisecondsPerSecond));
    return text;
}

std::vector<std::string> ChapterFields::Format(const std::vector<Chapter>& chapters, std::int32_t rate)
{
    if (chapters.size() > static_cast<std::size_t>(kMostChapters))
        throw RangeError(std::to_string(chapters.size()) + " chapters are more than the " +
                         std::to_string(kMostChapters) + " that chapter fields can number");
    std::vector<std::string> fields;
    for (std::size_t k = 0; k < chapters.size(); ++k) {
        const std::string number = std::to_string(k + 1);
        const std::string name =
            std::string(ChapterFieldName::kPrefix) + std::string(kNumberDigits - number.size(), '0') + number;
        const std::string& title = chapters[k].Title;
        fields.push_back(name + "=" + Time(chapters[k].Sample, rate));
        fields.push_back(name + std::string(ChapterFieldName::kTitleSuffix) + "=" +
                         (title.empty() ? "Chapter " + number : title));
    }
    return fields;
}

std::vector<Chapter> ReadChapters(const std::string& path)
{
    std::vector<Chapter> chapters;
    for (const FileLink& link : ReadFileLinks(path)) {
        const auto rate = static_cast<std::int32_t>(link.Headers.Rate);
        for (Chapter& chapter :
             ChapterFields::Parse(link.Headers.Comments, rate, link.EndSample - link.FirstSample, path)) {
            chapter.Sample += link.FirstSample;
            if (chapter.EndSample)
                *chapter.EndSample += link.FirstSample;
            chapters.push_back(std::move(chapter));
        }
    }
    return chapters;
}

} // namespace oq
