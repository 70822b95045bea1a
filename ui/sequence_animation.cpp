#include "ui/sequence_animation.h"

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <string_view>
#include <string>

#include "skinui/markup/value_parser.h"
#include "skinui/paint_manager.h"

namespace {

// Finds the one conversion of a frame pattern: its start and end (one past the conversion
// letter). False when there is none, more than one, or one that is not an integer's.
bool FindConversion(const std::wstring& pattern, std::size_t& start, std::size_t& end) {
    bool found = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != L'%') continue;
        if (i + 1 < pattern.size() && pattern[i + 1] == L'%') {
            ++i;
            continue;
        }
        if (found) return false;
        std::size_t j = i + 1;
        while (j < pattern.size() && std::wstring_view(L"-+ #0").find(pattern[j]) != std::wstring_view::npos) ++j;
        for (int digits = 0; j < pattern.size() && std::iswdigit(pattern[j]) && digits < 3; ++digits) ++j;
        if (j < pattern.size() && pattern[j] == L'.') {
            ++j;
            for (int digits = 0; j < pattern.size() && std::iswdigit(pattern[j]) && digits < 3; ++digits) ++j;
        }
        if (j >= pattern.size() || std::wstring_view(L"diuxXo").find(pattern[j]) == std::wstring_view::npos) return false;
        start = i;
        end = j + 1;
        found = true;
        i = j;
    }
    return found;
}

std::wstring Literal(const std::wstring& text) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == L'%' && i + 1 < text.size() && text[i + 1] == L'%') ++i;
    }
    return out;
}

bool FlagOff(const std::wstring& value) { return value == L"false"; }

}  // namespace

bool IsNumberPattern(const std::wstring& pattern) {
    std::size_t start = 0, end = 0;
    return FindConversion(pattern, start, end);
}

std::wstring FormatNumberPattern(const std::wstring& pattern, int number, std::size_t limit) {
    std::size_t start = 0, end = 0;
    if (!FindConversion(pattern, start, end)) return {};
    // Only the checked conversion reaches the formatter, with the one number it expects.
    std::string conversion(pattern.begin() + static_cast<std::ptrdiff_t>(start),
                           pattern.begin() + static_cast<std::ptrdiff_t>(end));
    char digits[64];
    const int written = std::snprintf(digits, sizeof digits, conversion.c_str(), number);
    if (written < 0 || static_cast<std::size_t>(written) >= sizeof digits) return {};
    std::wstring text = Literal(pattern.substr(0, start)) + std::wstring(digits, digits + written) +
                        Literal(pattern.substr(end));
    if (text.size() > limit) return {};
    return text;
}

bool SequenceAnimation::SetPattern(const std::wstring& value) {
    if (!value.empty() && !IsNumberPattern(value)) return false;
    pattern = value;
    return true;
}

bool SequenceAnimation::SetAttribute(const std::wstring& name, const std::wstring& value) {
    const std::wstring key = SkinUI::AsciiLower(name);
    if (key == L"sequencebkimage") SetPattern(value);
    else if (key == L"sequencecount") count = SkinUI::ParseInt(value);
    else if (key == L"sequencespan") span = std::max(0, SkinUI::ParseInt(value));
    else if (key == L"sequenceloop") loop = !FlagOff(value);
    else if (key == L"autostart") autostart = !FlagOff(value);
    else if (key == L"sequenceround") round = !FlagOff(value);
    else return false;
    return true;
}

SequenceAnimation::Step SequenceAnimation::Next() {
    if (pattern.empty()) return {};
    // No frames: nothing to show, ever.
    if (count <= 0) return {-1, true};
    if (forward && current > count - 1) {
        if (round) {
            forward = false;
            // With one frame there is nothing behind the last: the turn lands on frame 0.
            current = std::max(count - 2, 0);
        } else {
            current = 0;
            if (!loop) return {-1, true};
        }
    }
    if (!forward && current <= 0) {
        if (round) forward = true;
        current = 0;
        if (!loop) return {-1, true};
    }
    const int frame = std::clamp(current, 0, count - 1);
    current += forward ? 1 : -1;
    return {frame, false};
}

void SequenceAnimation::AutoStart(SkinUI::CControlUI& control) {
    if (autostart && control.GetManager()) {
        control.GetManager()->SetTimer(&control, kFrameTimer, static_cast<SkinUI::UINT>(span));
    }
}

void SequenceAnimation::Start(SkinUI::CControlUI& control) {
    current = 0;
    if (control.GetManager()) control.GetManager()->SetTimer(&control, kFrameTimer, static_cast<SkinUI::UINT>(span));
}

void SequenceAnimation::Tick(SkinUI::CControlUI& control) {
    const Step step = Next();
    if (step.stop && control.GetManager()) control.GetManager()->KillTimer(&control, kFrameTimer);
    if (step.frame < 0) return;
    const std::wstring name = FormatNumberPattern(pattern, step.frame);
    if (!name.empty()) control.SetBkImage(name);
}
