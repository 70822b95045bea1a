#include "ui/install_progress.h"

#include <algorithm>
#include <cmath>

#include "ui/sequence_animation.h"

namespace {

constexpr double kStep = 0.15;
constexpr double kCeiling = 0.95;
constexpr double kDefaultScale = 0.7;
// The text buffer of the window holds 250 characters.
constexpr std::size_t kTextLimit = 249;

}  // namespace

double ClampFraction(double value) {
    if (std::isnan(value)) return 0;
    return std::clamp(value, 0.0, 1.0);
}

int ClampPercent(double value) {
    if (std::isnan(value) || value <= 0) return 0;
    if (value >= 100) return 100;
    return static_cast<int>(value);
}

void InstallProgress::SetDownloadScale(double scale) {
    m_scale = std::isfinite(scale) && scale >= 0 && scale <= 1 ? scale : kDefaultScale;
}

int InstallProgress::DownloadPercent(double fraction) const {
    return ClampPercent(ClampFraction(fraction) * m_scale * 100);
}

int InstallProgress::InstallPercent(double reported) {
    const double t = ClampFraction(reported);
    m_installFraction = std::min(m_installFraction + kStep, kCeiling);
    if (t > m_installFraction) m_installFraction = t;
    return ClampPercent(((1 - m_scale) * m_installFraction + m_scale) * 100);
}

std::wstring InstallProgress::Text(int percent, double downloadSeconds, const std::wstring& skinFormat,
                                   const std::wstring& slowFormat, const std::wstring& normalFormat) {
    const int shown = std::clamp(percent, 0, 100);
    const bool slow = downloadSeconds > kSlowDownloadSeconds;
    for (const std::wstring& format :
         {skinFormat, slow ? slowFormat : normalFormat, std::wstring(slow ? kSlowFormat : kNormalFormat)}) {
        if (format.empty()) continue;
        std::wstring text = FormatNumberPattern(format, shown, kTextLimit);
        if (!text.empty()) return text;
    }
    return {};
}
