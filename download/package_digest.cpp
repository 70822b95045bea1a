#include "download/package_digest.h"

#include "utils/digest.h"
#include "utils/digest_follower.h"

DigestCheck CheckPackageDigest(const wchar_t* engine, const std::string& expected,
                               Utils::FileDigestFollower* follower, const std::wstring& path,
                               const std::atomic<bool>* cancel) {
    const auto algorithm = Utils::DigestAlgorithmOf(expected);
    if (!algorithm) return {DigestCheck::Verdict::kNotCarried, std::wstring(engine) + L"获取url-md5失败", {}};
    if (Utils::DownloadedFileDigest(follower, path, expected, cancel) == expected)
        return {DigestCheck::Verdict::kMatches, L"", expected};
    const wchar_t* name = *algorithm == platform::DigestAlgorithm::kSha256 ? L"sha256" : L"md5";
    return {DigestCheck::Verdict::kRefuted, std::wstring(engine) + L"文件" + name + L"校验失败", {}};
}
