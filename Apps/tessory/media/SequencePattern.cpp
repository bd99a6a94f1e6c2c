#include "media/SequencePattern.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

namespace Corvane::Tessory::Cli {

std::optional<SequencePattern> SequencePattern::parse(const std::string& path) {
    const size_t percent = path.find('%');
    if (percent == std::string::npos || path.find('%', percent + 1) != std::string::npos) {
        return std::nullopt;
    }
    size_t i = percent + 1;
    int width = 0;
    if (i < path.size() && path[i] == '0') {
        ++i;
        while (i < path.size() && std::isdigit(static_cast<unsigned char>(path[i]))) {
            width = width * 10 + (path[i++] - '0');
            if (width > 18) return std::nullopt;
        }
        if (width == 0) return std::nullopt;
    }
    if (i >= path.size() || path[i] != 'd') return std::nullopt;
    SequencePattern p;
    p.mText = path;
    p.mPrefix = path.substr(0, percent);
    p.mSuffix = path.substr(i + 1);
    p.mWidth = width;
    return p;
}

std::string SequencePattern::name(int64_t n) const {
    char number[32];
    std::snprintf(number, sizeof number, "%0*lld", mWidth, static_cast<long long>(n));
    return mPrefix + number + mSuffix;
}

std::vector<int64_t> SequencePattern::existing() const {
    namespace fs = std::filesystem;
    const fs::path prefix(mPrefix);
    const fs::path folder = prefix.has_filename() ? prefix.parent_path() : prefix;
    const std::string stem = prefix.has_filename() ? prefix.filename().string() : std::string();
    std::vector<int64_t> numbers;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder.empty() ? "." : folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() <= stem.size() + mSuffix.size() || name.rfind(stem, 0) != 0 ||
            name.compare(name.size() - mSuffix.size(), mSuffix.size(), mSuffix) != 0) {
            continue;
        }
        const std::string digits =
            name.substr(stem.size(), name.size() - stem.size() - mSuffix.size());
        if (digits.size() > 18 || static_cast<int>(digits.size()) < mWidth ||
            !std::all_of(digits.begin(), digits.end(),
                         [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
            continue;
        }
        const int64_t n = std::stoll(digits);
        // "%04d" writes 12 as 0012 and 12345 as 12345; only those spellings match.
        if (this->name(n) == (folder.empty() ? fs::path(name) : folder / name).string()) {
            numbers.push_back(n);
        }
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

}  // namespace Corvane::Tessory::Cli
