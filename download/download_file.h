// "downloads.txt" in the data folder's "Download" folder: the list saved
// whole after every change and restored at start-up.
#pragma once

// Writes the whole list to a temporary file beside the list file and moves it
// over the old one, so that a kill at any moment leaves the old list or the
// new one. Saves are serialised.
void SaveDownloadList();

// At start-up, before the download thread exists: makes the "Download"
// folder, empties the list and restores it from the file. With no file, or an
// empty one, every "*.part" file of the folder is deleted (no list refers to
// it). A restored manager update sets the manager-update-queued flag.
void LoadDownloadList();

// The list file's full path.
void DownloadListPath(char (&path)[260]);
