#pragma once
// The engine the DownloadType setting selects.
#include <memory>
#include <string>

#include "download/downloader.h"
#include "utils/status_callback.h"

// 2: the WinHTTP client; 3: two byte ranges in parallel over libcurl; anything else: one
// resumable libcurl stream. Null only when the selected engine is not part of this build.
std::unique_ptr<CDownloader> CreateDownloader(int downloadType, StatusCallback callback,
                                              const std::wstring& url, const std::wstring& filePath);
