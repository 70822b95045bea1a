#include "ui/sequence_label.h"

#include "skinui/paint_manager.h"

CSequenceLabelUI::~CSequenceLabelUI() {
    if (m_manager) m_manager->KillTimer(this, SequenceAnimation::kFrameTimer);
}

SkinUI::CControlUI* CSequenceLabelUI::As(const std::wstring& kind) {
    if (kind == L"SequenceLabel") return this;
    return CLabelUI::As(kind);
}
