// The main screen's download and banner area: the promotion banner (game,
// advert or placeholder), the download and cancel buttons, the
// waiting-for-internet notice and the progress bar.
#pragma once

#include <windows.h>

#include <cstdint>

// Sets what is visible and what the banner says. User-interface thread only;
// non-forced refreshes are skipped while a screen loads, and a refresh asked
// for during a refresh runs once more afterwards.
void RefreshDownloadArea(HWND window, bool force);

// Moves the progress bar to received of total bytes. User-interface thread
// only; an update asked for during one is dropped.
void UpdateDownloadProgress(int32_t total, int32_t received, bool force);

// From any thread: carry a refresh or a progress update to the
// user-interface thread (posted to the main window, coalesced as above).
void RequestDownloadAreaRefresh();
void RequestDownloadProgress(int32_t total, int32_t received);

// The user-interface thread's side of those requests (main window messages).
void OnDownloadAreaRefreshRequest();
void OnDownloadProgressRequest();

// The engine's notification callback: a remote picture of the screen has
// finished loading.
LRESULT CALLBACK OnEngineNotification(UINT message, WPARAM wParam, LPARAM lParam, LPVOID param);

// The progress bar's percent text and value for received of total, as the
// title and "value" show them ("45.3", 45).
void ProgressTexts(int32_t total, int32_t received, wchar_t (&percentText)[32], int* value);

// Runs before each refresh (tests count them).
void SetRefreshObserver(void (*observer)());
