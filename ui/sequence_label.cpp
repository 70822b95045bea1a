#include "ui/sequence_label.h"

SkinUI::CControlUI* CSequenceLabelUI::As(const std::wstring& kind) {
    if (kind == L"SequenceLabel") return this;
    return CLabelUI::As(kind);
}
