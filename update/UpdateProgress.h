// What the updater's worker tells its dialog: the dialog's state and the record that travels
// with each report. The worker allocates the record; the receiver frees it.
#pragma once
#include <cstdint>
#include <string>

// Values as they travel in the report; 3 is not used.
enum UpdaterState : int32_t {
    Checking = 0,     // the worker is opening the URL
    Ready = 1,        // the URL is open, name and size shown, OK waits
    Downloading = 2,  // the transfer is running
    Done = 4,         // the file is stored; the dialog ends
    Failed = 5,       // an error text is to be shown; the dialog ends
};

// True for the five values above.
bool IsUpdaterState(int32_t nValue);

struct UpdateProgress {
    std::wstring m_strMessage;     // the error text for Failed, else empty
    std::wstring m_strFileName;    // empty for Failed
    int32_t m_nTotalBytes = 0;     // announced body size; 0 when not announced, and for Done and Failed
    int32_t m_nBytesReceived = 0;  // bytes so far; 0 except in Downloading reports
};
