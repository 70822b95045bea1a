#include "ui/sequence_label.h"

#include "skinui/paint_manager.h"

CSequenceLabelUI::~CSequenceLabelUI() {
    if (m_manager) m_manager->KillTimer(this, SequenceAnimation::kFrameTimer);
}

SkinUI::CControlUI* CSequenceLabelUI::As(const std::wstring& kind) {
    if (kind == L"SequenceLabel") return this;
    return CLabelUI::As(kind);
}

void CSequenceLabelUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    if (!m_animation.SetAttribute(name, value)) CLabelUI::SetAttribute(name, value);
}

void CSequenceLabelUI::OnInit() {
    CLabelUI::OnInit();
    if (m_animation.autostart && m_manager) {
        m_manager->SetTimer(this, SequenceAnimation::kFrameTimer, static_cast<SkinUI::UINT>(m_animation.span));
    }
}

void CSequenceLabelUI::HandleEvent(SkinUI::UiEvent& event) {
    CLabelUI::HandleEvent(event);
    if (event.type == SkinUI::UiEventType::Timer) m_animation.Tick(*this);
}
