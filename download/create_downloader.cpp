#include "download/create_downloader.h"

#include "download/curl_downloader.h"
#include "download/mt_curl_downloader.h"
#include "download/winhttp_downloader.h"

std::unique_ptr<CDownloader> CreateDownloader(int downloadType, StatusCallback callback,
                                              const std::wstring& url, const std::wstring& filePath) {
    switch (downloadType) {
        case 2:
            return std::make_unique<WinHttpDownloader>(std::move(callback), url, filePath);
        case 3:
            return std::make_unique<CMTCurlDownloader>(std::move(callback), url, filePath);
        default:
            return std::make_unique<CCurlDownloader>(std::move(callback), url, filePath);
    }
}
