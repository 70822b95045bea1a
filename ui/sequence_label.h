#pragma once
// A label that shows a frame sequence as its background ("SequenceLabel" in markup).
#include "skinui/label.h"
#include "ui/sequence_animation.h"

class CSequenceLabelUI : public SkinUI::CLabelUI {
public:
    ~CSequenceLabelUI() override;
    std::wstring GetClass() const override { return L"SequenceLabel"; }
    SkinUI::CControlUI* As(const std::wstring& kind) override;

    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void OnInit() override;
    void HandleEvent(SkinUI::UiEvent& event) override;

    // Frame 0 and the frame timer on; the direction stays as it was.
    void Start() { m_animation.Start(*this); }
    const std::wstring& GetSequenceImage() const { return m_animation.pattern; }
    // False (and the old pattern kept) for a pattern that is not a frame pattern.
    bool SetSequenceImage(const std::wstring& pattern) { return m_animation.SetPattern(pattern); }
    int GetSequenceCount() const { return m_animation.count; }
    void SetSequenceCount(int count) { m_animation.count = count; }
    int GetSequenceSpan() const { return m_animation.span; }
    void SetSequenceSpan(int span) { m_animation.span = span < 0 ? 0 : span; }
    const SequenceAnimation& Animation() const { return m_animation; }

private:
    SequenceAnimation m_animation;
};
