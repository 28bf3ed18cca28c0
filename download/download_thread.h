// The download thread: fetches the records of the download list one at a
// time, in list order, resuming each partial file with a range request, and
// hands every finished file to FinishDownload.
#pragma once

#include <windows.h>

// Creates the thread at THREAD_PRIORITY_LOWEST and keeps its handle and id in
// AppState. Call after LoadDownloadList.
bool StartDownloadThread();

// Asks the thread to drop the record whose address is the promotion's
// download address at the moment it handles the request.
void RequestCancelDownload();

// Wakes the thread from its wait at once: call after appending to the
// download list or setting transferStop. Without it the thread notices
// only at the end of its pause (a minute when the list is empty).
void WakeDownloadThread();

DWORD WINAPI DownloadThread(LPVOID);
