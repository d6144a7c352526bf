// Resource identifiers of Backdrop.
#pragma once

// The application icon shared with QuietSpin; the lowest id so that the shell shows it.
#define IDI_APP 1
// The backdrop picture: a 512 x 384 JPEG stored as raw data.
#define IDR_BACKDROP_JPEG 101
