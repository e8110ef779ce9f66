#pragma once
// One running copy per runtime folder: an exclusive flock on KORVANEUniqString.lock, held until
// the process ends (the descriptor is close-on-exec, so started programs do not inherit it).
#include <filesystem>
#include <string>

namespace korvane::platform {

inline constexpr const char* kInstanceName = "KORVANEUniqString";

class SingleInstance {
  public:
    // Takes the lock in `runtimeFolder`, creating the folder when missing.
    explicit SingleInstance(const std::filesystem::path& runtimeFolder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this is the only running copy and the program may go on.
    bool IsOnlyCopy() const { return fd_ >= 0; }
    // Why not: another copy holds the lock, or the lock file could not be opened.
    const std::string& Problem() const { return problem_; }

  private:
    int fd_ = -1;
    std::string problem_;
};

}  // namespace korvane::platform
