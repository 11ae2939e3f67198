// Built-in pictures in XPM form: the toolbar symbols (normal and highlighted), the 40 x 40
// message pictures and the 40 x 40 program icon.
#pragma once

extern const char *const file_open_gray[];
extern const char *const file_open[];
extern const char *const fnavigator_gray[];
extern const char *const fnavigator_col[];
extern const char *const fplay_gray[];
extern const char *const fplay_col[];
extern const char *const fstop_gray[];
extern const char *const fstop_col[];
extern const char *const fforward_gray[];
extern const char *const fforward_col[];
extern const char *const fbackward_gray[];
extern const char *const fbackward_col[];
extern const char *const dir_closed_gray[];
extern const char *const file_xpm[];
extern const char *const warning_xpm[];
extern const char *const error_xpm[];
extern const char *const question_xpm[];
extern const char *const work_xpm[];
extern const char *const icon_xpm[];
extern const char *const status_xpm[];
