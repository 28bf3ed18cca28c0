// What the catalogue check announces and where the manager reports an
// installation: written by the catalogue thread, read by the main window.
// Guarded by a lock of its own; readers take copies.
#pragma once

struct Announcement {
  char gameName[64];        // "game_name=" of the catalogue
  char gamePage[512];       // "game_url="
  char gameDownload[512];   // "game_download="
  char gameDownloadSha256[65];  // "game_download_sha256=": its digest, when named
  char installReport[256];  // "autobuild_script=": requested after an installer has ended
};

Announcement AnnouncementCopy();
void StoreAnnouncement(const Announcement& announcement);
