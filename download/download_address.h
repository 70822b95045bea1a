#pragma once
// The addresses every engine fetches a package from: http and https, nothing else the transfer
// libraries can speak. An address from the command line or the configuration file that names
// another scheme (ftp, smb, dict, file...) would have the installer talk to anything, or read
// local files with its rights.
#include <string>

// False for any other scheme, which is then named in `scheme` ("" when there is none).
bool IsDownloadAddress(const std::wstring& url, std::wstring& scheme);
