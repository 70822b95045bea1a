#pragma once
// A button that shows a frame sequence as its background ("SequenceButton" in markup) and, while
// pressed, may draw its text inside an inset of its own.
#include "skinui/button.h"
#include "ui/sequence_animation.h"

class CSequenceButtonUI : public SequenceControl<SkinUI::CButtonUI> {
public:
    CSequenceButtonUI();
    std::wstring GetClass() const override { return L"SequenceButton"; }
    SkinUI::CControlUI* As(const std::wstring& kind) override;

    // Besides the sequence's attributes: "pressedtextinset" (left,top,right,bottom) and the two
    // further images "sequenceimage1" and "sequenceimage2", which are kept for the window's own
    // use and not drawn.
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void PaintText(SkinUI::Bitmap& target, const SkinUI::UiRect& paint) override;

    const std::wstring& GetSequenceImage1() const { return m_image1; }
    void SetSequenceImage1(const std::wstring& image) { m_image1 = image; }
    const std::wstring& GetSequenceImage2() const { return m_image2; }
    void SetSequenceImage2(const std::wstring& image) { m_image2 = image; }
    const SkinUI::UiRect& GetPressedTextInset() const { return m_pressedTextInset; }
    void SetPressedTextInset(const SkinUI::UiRect& inset) { m_pressedTextInset = inset; Invalidate(); }

    // Copies one byte of every pixel (0 blue, 1 green, 2 red, 3 alpha) from one image into
    // another of the same size; false when the sizes differ or the channel does not exist.
    static bool CopyChannel(const SkinUI::Bitmap& from, SkinUI::Bitmap& to, int channel);

private:
    std::wstring m_image1, m_image2;
    SkinUI::UiRect m_pressedTextInset;
};
