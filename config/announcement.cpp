#include "config/announcement.h"

#include <mutex>

namespace {
std::mutex gAnnouncementLock;
Announcement gAnnouncement{};
}  // namespace

Announcement AnnouncementCopy() {
  std::lock_guard<std::mutex> lock(gAnnouncementLock);
  return gAnnouncement;
}

void StoreAnnouncement(const Announcement& announcement) {
  std::lock_guard<std::mutex> lock(gAnnouncementLock);
  gAnnouncement = announcement;
}
