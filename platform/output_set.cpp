// Lock, clear, stage, publish: the one order in which a run writes a set of
// files into a folder.
#include "platform/platform.h"

namespace platform {

OutputSet::OutputSet(std::string folder, std::string_view prefix,
                     const std::function<void()>& on_wait,
                     std::span<const std::string_view> leftovers)
    : folder_(std::move(folder)), prefix_(prefix), lock_(folder_, on_wait) {
  // Without a lock (a file system that has none) another run may be using
  // them.
  if (!lock_.held()) return;
  remove_stale_staging(folder_, prefix_);
  for (const std::string_view other : leftovers)
    if (other != prefix_) remove_stale_staging(folder_, other);
}

const std::string& OutputSet::path() {
  if (!staging_) staging_.emplace(folder_, prefix_);
  return staging_->path();
}

std::string OutputSet::staged(std::string_view name) {
  path();
  return staging_->staged(name);
}

void OutputSet::publish(std::span<const std::string> names) {
  path();
  // The lock lets the old files go in a process of their own: it holds
  // the lock until they are gone.
  staging_->publish(names, lock_.held() ? StagingFolder::OldFiles::removed_apart
                                        : StagingFolder::OldFiles::removed_here);
}

}  // namespace platform
