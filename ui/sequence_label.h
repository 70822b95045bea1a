#pragma once
// A label that shows a frame sequence as its background ("SequenceLabel" in markup).
#include "skinui/label.h"
#include "ui/sequence_animation.h"

class CSequenceLabelUI : public SequenceControl<SkinUI::CLabelUI> {
public:
    std::wstring GetClass() const override { return L"SequenceLabel"; }
    SkinUI::CControlUI* As(const std::wstring& kind) override;
};
