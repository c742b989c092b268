#pragma once

#include "base/text.h"

#include <fstream>
#include <sstream>

// The site list file of the folder a main window test runs in, written and
// read back as bytes.
inline constexpr char SiteListDiskName[] = "\xE5\xB8\x90\xE5\x8F\xB7.ini"; // 帐号.ini in UTF-8

inline void writeSiteList(const Text& bytes) { std::ofstream(SiteListDiskName, std::ios::binary) << bytes; }

inline Text readSiteList()
{
    std::ostringstream bytes;
    bytes << std::ifstream(SiteListDiskName, std::ios::binary).rdbuf();
    return bytes.str();
}
