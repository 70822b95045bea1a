#include "utils/digest_follower.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "platform/file_reader.h"
#include "platform/file_system.h"
#include "platform/message_digest.h"
#include "utils/digest.h"

namespace Utils {
namespace {

// One read per MiB keeps the system calls few without weighing on memory.
constexpr std::size_t kBlockBytes = 1 << 20;

}  // namespace

FileDigestFollower::FileDigestFollower(platform::DigestAlgorithm algorithm)
    : m_algorithm(algorithm), m_thread([this] { Run(); }) {}

FileDigestFollower::~FileDigestFollower() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void FileDigestFollower::Follow(const std::wstring& path) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_finishing) return;
        m_sources.push_back(Source{path, std::make_unique<platform::FileReader>()});
        OpenWaitingSources();
    }
    m_wake.notify_all();
}

void FileDigestFollower::Seal(std::size_t index, std::uint64_t size) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (index >= m_sources.size() || m_sources[index].sealed) return;
        m_sources[index].sealed = true;
        m_sources[index].size = size;
        // Its owner may merge and remove it as soon as this returns, before the thread looks
        // again: held open from here, it is read all the same.
        OpenWaitingSources();
    }
    m_wake.notify_all();
}

std::string FileDigestFollower::Finish(const std::wstring& result) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_finishing = true;
    m_wake.notify_all();
    m_done.wait(lock, [this] { return m_ended; });
    if (m_digest.empty() || !m_identity || platform::IdentityOf(result) != m_identity) return {};
    if (platform::FileSize(result) != m_followedBytes) return {};
    return m_digest;
}

void FileDigestFollower::OpenWaitingSources() {
    for (std::size_t index = 0; index < m_sources.size(); ++index) {
        platform::FileReader& reader = *m_sources[index].reader;
        if (!reader.IsOpen() && reader.Open(m_sources[index].path) && index == 0) m_identity = reader.Identity();
    }
}

void FileDigestFollower::Run() {
    platform::MessageDigest digest(m_algorithm);
    std::vector<unsigned char> block(kBlockBytes);
    bool failed = !digest.IsValid();
    std::uint64_t total = 0;
    std::unique_lock<std::mutex> lock(m_mutex);
    for (std::size_t index = 0; !failed && !m_stop; ++index) {
        // The next file: wait until it is added, or end when the owner finishes without it.
        m_wake.wait(lock, [&] { return m_stop || m_finishing || index < m_sources.size(); });
        if (m_stop || index >= m_sources.size()) break;
        platform::FileReader& reader = *m_sources[index].reader;
        std::uint64_t offset = 0;
        // Waits grow while a writer is slow, so a long download over a slow line costs few
        // wake-ups, and shrink again when bytes come.
        int waitMilliseconds = kPollMilliseconds;
        while (!m_stop) {
            const Source& source = m_sources[index];
            const bool last = source.sealed || m_finishing;
            OpenWaitingSources();
            if (!reader.IsOpen()) {
                // Not made yet; once its writer is done it never will be.
                if (last) failed = true;
                if (failed) break;
                m_wake.wait_for(lock, std::chrono::milliseconds(waitMilliseconds));
                waitMilliseconds = std::min(waitMilliseconds * 2, kLongestPollMilliseconds);
                continue;
            }
            // The limit is taken under the lock: a writer seals a file before it appends to it
            // anything that is not its own (a merge), so an unsealed size is all its own bytes.
            // Bytes below the size the system reports have been written.
            const std::optional<std::uint64_t> present = reader.Size();
            std::uint64_t limit = present.value_or(0);
            if (source.sealed) {
                if (limit < source.size) failed = true;
                limit = source.size;
            }
            if (!present || limit < offset) failed = true;
            if (failed) break;
            if (offset == limit) {
                if (last) break;
                m_wake.wait_for(lock, std::chrono::milliseconds(waitMilliseconds));
                waitMilliseconds = std::min(waitMilliseconds * 2, kLongestPollMilliseconds);
                continue;
            }
            waitMilliseconds = kPollMilliseconds;
            lock.unlock();
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(limit - offset, block.size()));
            const long long got = reader.ReadAt(offset, block.data(), want);
            if (got > 0) {
                digest.Update(block.data(), static_cast<std::size_t>(got));
                offset += static_cast<std::uint64_t>(got);
            }
            lock.lock();
            if (got <= 0) failed = true;
            if (failed) break;
        }
        total += offset;
    }
    m_followedBytes = total;
    if (!failed && !m_stop) m_digest = digest.FinishHex();
    m_ended = true;
    m_done.notify_all();
}

std::unique_ptr<FileDigestFollower> FollowDownload(const std::string& url, const std::vector<std::wstring>& files) {
    const auto algorithm = DigestAlgorithmOf(GetMd5FromUrl(url));
    if (!algorithm) return nullptr;
    auto follower = std::make_unique<FileDigestFollower>(*algorithm);
    for (const std::wstring& file : files) follower->Follow(file);
    return follower;
}

std::string DownloadedFileDigest(FileDigestFollower* follower, const std::wstring& path, const std::string& expected,
                                 const std::atomic<bool>* cancel) {
    const auto algorithm = DigestAlgorithmOf(expected);
    if (!algorithm) return {};
    if (follower) {
        const std::string followed = follower->Finish(path);
        if (!followed.empty() && followed == expected) return followed;
    }
    return GetFileDigest(platform::PathToNative(path), *algorithm, cancel);
}

}  // namespace Utils
