#pragma once
// The frame sequence that the animated label and button share: a numbered series of images
// shown one after the other on a timer, looping or not, forwards or back and forth.
#include <string>

#include "skinui/control.h"

struct SequenceAnimation {
    static constexpr SkinUI::UINT kFrameTimer = 2100;

    std::wstring pattern;  // the frame image's name with one integer conversion, e.g. "%.3d.png"
    int count = 0;
    int span = 30;  // milliseconds a frame
    bool loop = true;
    bool autostart = false;
    bool round = false;  // back and forth
    bool forward = true;
    int current = 0;

    // One markup attribute (the name compared without regard to case); false when it is not
    // one of the sequence's. A pattern that is not a format with exactly one integer
    // conversion is refused and the old one kept.
    bool SetAttribute(const std::wstring& name, const std::wstring& value);
    bool SetPattern(const std::wstring& value);

    // What one timer tick does: the frame to show (-1: none) and whether the timer stops.
    struct Step {
        int frame = -1;
        bool stop = false;
    };
    Step Next();

    // The control's side: the timer on when the control is attached and autostart is on; start
    // (frame 0, timer on); and one tick (the frame becomes the control's background image).
    void AutoStart(SkinUI::CControlUI& control);
    void Start(SkinUI::CControlUI& control);
    void Tick(SkinUI::CControlUI& control);
};

// What both sequence controls add to their base control: the sequence's attributes, autostart,
// the step on every timer event (after the base's handling), and the accessors.
template <class Base>
class SequenceControl : public Base {
public:
    void SetAttribute(const std::wstring& name, const std::wstring& value) override {
        if (!m_animation.SetAttribute(name, value)) Base::SetAttribute(name, value);
    }
    void OnInit() override {
        Base::OnInit();
        m_animation.AutoStart(*this);
    }
    void HandleEvent(SkinUI::UiEvent& event) override {
        Base::HandleEvent(event);
        if (event.type == SkinUI::UiEventType::Timer) m_animation.Tick(*this);
    }

    // Frame 0 and the frame timer on; the direction stays as it was.
    void Start() { m_animation.Start(*this); }
    const std::wstring& GetSequenceImage() const { return m_animation.pattern; }
    // False (and the old pattern kept) for a pattern that is not a frame pattern.
    bool SetSequenceImage(const std::wstring& pattern) { return m_animation.SetPattern(pattern); }
    int GetSequenceCount() const { return m_animation.count; }
    void SetSequenceCount(int count) { m_animation.count = count; }
    int GetSequenceSpan() const { return m_animation.span; }
    void SetSequenceSpan(int span) { m_animation.span = span < 0 ? 0 : span; }

protected:
    SequenceAnimation m_animation;
};

// Whether the text is a printf-style pattern with exactly one integer conversion (flags, width
// and precision allowed, "%%" for a percent sign) and nothing else to format: a frame image's
// name, or a text with a percentage that a skin supplies.
bool IsNumberPattern(const std::wstring& pattern);
// The pattern with the number put in; empty when the pattern is not such a pattern or the result
// would be longer than the limit (259: a name in a buffer of 260 wide characters).
std::wstring FormatNumberPattern(const std::wstring& pattern, int number, std::size_t limit = 259);
