#pragma once
// The check of a downloaded package against the digest its resolved address carries in the path
// segment before the file name: 32 characters for MD5, 64 hexadecimal digits for SHA-256.
// Every engine reports the outcome in the same words, naming the digest it checked.
#include <atomic>
#include <string>

namespace Utils {
class FileDigestFollower;
}

struct DigestCheck {
    enum class Verdict { kNotCarried, kMatches, kRefuted };
    Verdict verdict = Verdict::kNotCarried;
    // The text of the DL_CODE_MD5 note to send; empty when there is none (a match).
    std::wstring note;
    // The digest matched; empty unless the verdict is kMatches.
    std::string digest;
};

// `expected` is the digest segment of the resolved address (Utils::GetMd5FromUrl); `engine`
// begins the note ("curl", "mtcurl"). The follower, when there is one, has followed the file's
// bytes as they arrived; a package that cannot be read back is refuted, and a stop requested
// through `cancel` refutes it too (the caller is going away and reports nothing).
DigestCheck CheckPackageDigest(const wchar_t* engine, const std::string& expected,
                               Utils::FileDigestFollower* follower, const std::wstring& path,
                               const std::atomic<bool>* cancel);
