#pragma once
// Digests a download while it is being written. A package is checked against its MD5 once the
// transfer has ended; reading the whole file back only then adds that digest's time to the
// user's wait. The follower reads the same files from disk on a thread of its own, trailing the
// writers, so the check at the end only has the last bytes left to read. It digests with the
// algorithm the address's digest names, MD5 or SHA-256.
//
// It only ever speeds a check up: when what it followed cannot be shown to be the finished file
// (the path was replaced, a file shrank or could not be read), Finish gives empty text, and the
// caller reads the finished file whole as before.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_reader.h"
#include "platform/message_digest.h"

namespace Utils {

class FileDigestFollower {
public:
    explicit FileDigestFollower(platform::DigestAlgorithm algorithm = platform::DigestAlgorithm::kMd5);
    // Stops reading and waits for the thread.
    ~FileDigestFollower();
    FileDigestFollower(const FileDigestFollower&) = delete;
    FileDigestFollower& operator=(const FileDigestFollower&) = delete;

    // Adds the next file of the sequence: its bytes follow those of the files added before it,
    // and it is read from its start once they are all sealed and read. It need not exist yet.
    void Follow(const std::wstring& path);
    // The file added as number `index` (from 0) will grow no further than `size` bytes; bytes
    // appended to it later (a merge) are not part of it.
    void Seal(std::size_t index, std::uint64_t size);
    // Seals every file at its present size, waits for the thread to read what is left, and
    // gives the digest (lower-case hex digits) when `result` names the first followed file
    // and holds exactly the followed bytes; empty text otherwise.
    std::string Finish(const std::wstring& result);

    // How long the thread waits for a writer before it looks again: at first, and at most.
    static constexpr int kPollMilliseconds = 2;
    static constexpr int kLongestPollMilliseconds = 50;

private:
    struct Source {
        std::wstring path;
        // Opened as soon as the file exists (looked for at each poll, and at the latest when it
        // is sealed), so a file its owner removes once it is whole (a merged part) is still read
        // while earlier ones are.
        std::unique_ptr<platform::FileReader> reader;
        bool sealed = false;
        std::uint64_t size = 0;
    };

    void Run();
    // Under the lock: opens every source not yet opened whose file now exists.
    void OpenWaitingSources();

    const platform::DigestAlgorithm m_algorithm;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::vector<Source> m_sources;
    bool m_finishing = false;
    bool m_stop = false;
    bool m_ended = false;
    std::string m_digest;  // empty when what was followed cannot be vouched for
    std::uint64_t m_followedBytes = 0;
    std::optional<platform::FileIdentity> m_identity;  // of the first file
    std::thread m_thread;
};

// A follower of a download's files when its address carries a digest to check them against
// (DigestAlgorithmOf its digest segment); none otherwise.
std::unique_ptr<FileDigestFollower> FollowDownload(const std::string& url, const std::vector<std::wstring>& files);

// The digest of a downloaded file, with the algorithm `expected` names: the follower's digest
// when it matches `expected`, else the file read whole, so a mismatch is only ever reported from
// the bytes as they are now stored. Empty text when the file cannot be read, `expected` names no
// algorithm, or `cancel` is set while the file is read.
std::string DownloadedFileDigest(FileDigestFollower* follower, const std::wstring& path, const std::string& expected,
                                 const std::atomic<bool>* cancel = nullptr);

}  // namespace Utils
