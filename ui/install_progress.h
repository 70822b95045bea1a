#pragma once
// The one progress bar of the installation: the download fills the first share of it (the
// download scale), the package's installation the rest. Values from the package and the
// downloaders are untrusted: every fraction is clamped to [0, 1] before any arithmetic and
// every percentage to 0..100.
#include <string>

class InstallProgress {
public:
    explicit InstallProgress(double downloadScale = 0.7) { SetDownloadScale(downloadScale); }

    // A scale outside [0, 1] (or not a number) counts as the default 0.7.
    void SetDownloadScale(double scale);

    // An installation attempt starts: the installation share begins at 0 again.
    void Reset() { m_installFraction = 0; }

    // Download progress (a fraction of the package): value x scale x 100, truncated, in that
    // order (0.1 at 0.7 gives 6).
    int DownloadPercent(double fraction) const;
    // Installation progress: every report advances the installation share by at least 0.15, up
    // to 0.95, and never below what the package reports; 1.0 gives 100.
    int InstallPercent(double reported);
    double InstallFraction() const { return m_installFraction; }

    // The text under the bar: the skin's own format (the label's user data) when it is one,
    // else the language's format for a download running more than 60 seconds or for one that is
    // not, else the built-in one. A format is used only when it has exactly one integer
    // conversion (and "%%"); the percentage is clamped to 0..100.
    static std::wstring Text(int percent, double downloadSeconds, const std::wstring& skinFormat,
                             const std::wstring& slowFormat, const std::wstring& normalFormat);

    static constexpr const wchar_t* kSlowFormat = L"正在安装中:%d%%，请耐心等待...";
    static constexpr const wchar_t* kNormalFormat = L"正在安装中:%d%%，请稍候...";
    static constexpr double kSlowDownloadSeconds = 60;

private:
    double m_scale = 0.7;
    double m_installFraction = 0;
};

// [0, 1]; a value that is not a number counts as 0.
double ClampFraction(double value);
// 0..100 without an out-of-range conversion of a huge value.
int ClampPercent(double value);
