#include "plugins/library_trust.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace korvane::plugins {
namespace {

// The phrases name their subject, so the caller can put them after a colon as they are.
struct Subject {
    const char* nominative;  // "папка программы"
    const char* accusative;  // "папку программы"
    const char* writable;    // "доступна"
};
constexpr Subject kFolder{"папка программы", "папку программы", "доступна"};
constexpr Subject kFile{"файл", "файл", "доступен"};

std::string OwnershipAndModeReason(const struct stat& info, const Subject& subject) {
    if (info.st_uid != 0 && info.st_uid != geteuid()) {
        return std::string(subject.nominative) + " принадлежит другому пользователю";
    }
    if (info.st_mode & (S_IWGRP | S_IWOTH)) {
        return std::string(subject.nominative) + " " + subject.writable +
               " для записи другим пользователям";
    }
    return {};
}

std::string CheckFailed(const Subject& subject, int error) {
    return std::string(subject.accusative) + " не удалось проверить: " + std::strerror(error);
}

}  // namespace

std::string FolderDistrustReason(const std::filesystem::path& folder) {
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0) return CheckFailed(kFolder, errno);
    if (!S_ISDIR(info.st_mode)) return "папка программы не является папкой";
    return OwnershipAndModeReason(info, kFolder);
}

std::string LibraryDistrustReason(const std::filesystem::path& folder,
                                  const std::string& fileName) {
    std::string reason = FolderDistrustReason(folder);
    if (!reason.empty()) return reason;
    // lstat: a symlink could lead out of the checked folder, so it is not followed.
    struct stat info {};
    if (lstat((folder / fileName).c_str(), &info) != 0) return CheckFailed(kFile, errno);
    if (!S_ISREG(info.st_mode)) return "это не обычный файл";
    return OwnershipAndModeReason(info, kFile);
}

}  // namespace korvane::plugins
