/* The Capture Filters dialog's resource and control ids. Plain #defines only: res/quarnet.rc
   includes this file too. */
#ifndef QUARNET_DIALOGS_CAPTUREFILTERSIDS_H
#define QUARNET_DIALOGS_CAPTUREFILTERSIDS_H

#define IDD_CAPTURE_FILTERS 102
#define IDC_FILTER_LIST 1000
#define IDC_IGNORE_WOULDBLOCK 1001
#define IDC_ERRORS_ONLY 1005
#define IDC_SOCKET_ID 1006
#define IDC_RESTRICT_SOCKET 1007
#define IDC_SOCKET_ID_LABEL 1008
#define IDC_CONFIGURE_BUFFERS 1014
#define IDC_BUFFERS_IDLE_NOTE 1026
#define IDC_TRACE_ALL 1048
#define IDC_TRACE_SOME 1049
#define IDC_TRACE_NONE 1050

#endif
