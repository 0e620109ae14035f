/* The Colors dialog's resource and control ids (Setup, Preferences, Colors). Plain #defines
   only: res/quarnet.rc includes this file too. */
#ifndef QUARNET_DISPLAY_DISPLAYCOLORSIDS_H
#define QUARNET_DISPLAY_DISPLAYCOLORSIDS_H

#define IDD_DISPLAY_COLORS 103
#define IDC_COLOR_BACKGROUND 1009
#define IDC_COLOR_API_CALLS 1010
#define IDC_COLOR_RECV 1011
#define IDC_COLOR_SEND 1012
#define IDC_COLOR_SAMPLE 1013
#define IDC_COLOR_RETURNS 1014

#endif
