// What becomes of a file once the download thread has all of it: an error
// page is dropped, a new manager is run under the working-directory lock, an
// installer is run and waited for, anything else stays at its final path.
// Download thread only.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "download/download_record.h"

struct FinishedTransfer {
  DownloadRecord record;
  HINTERNET request;            // the answer whose body the file holds (closed here)
  HANDLE partFile;              // open for writing (closed here)
  bool bodyFromRequest;         // false: no body was read (already whole)
  char probeContentType[128];   // the first answer's type, used then
};

// Runs after the record has left the list and the list was saved. False for
// an answer that was a page instead of the file (it is deleted).
bool FinishDownload(FinishedTransfer& transfer);

// Starts the program through the shell, waits until it has ended and posts
// the installer-ended message to the main window.
void RunInstallerAndWait(const char* path);

// Starts the new manager under the working-directory lock, waits until it has
// ended, then shows the update news (kind 0) through the main window.
void RunManagerUpdateAndWait(const char* path);

// The final path with the stored partner code put before "_auto_rus.exe"
// ("Puzzle_auto_rus.exe" -> "Puzzle_17_auto_rus.exe"); false (no new name)
// without a usable code, without that ending, or when the name would not fit.
bool PartnerCodedName(const char* finalPath, const char* code, char (&renamed)[260]);
