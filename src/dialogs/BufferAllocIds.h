/* The Buffer Allocation dialog's resource and control ids. Plain #defines only: res/quarnet.rc
   includes this file too. */
#ifndef QUARNET_DIALOGS_BUFFERALLOCIDS_H
#define QUARNET_DIALOGS_BUFFERALLOCIDS_H

#define IDD_BUFFER_ALLOC 105
#define IDC_SAVE_ENTIRE 1023
#define IDC_SAVE_UPTO 1024
#define IDC_SAVE_BYTES 1025
#define IDC_DISPLAY_ENTIRE 1026
#define IDC_DISPLAY_UPTO 1027
#define IDC_DISPLAY_BYTES 1028
#define IDC_TRAP_SPIN 1043
#define IDC_TRACE_SPIN 1044
#define IDC_TRACE_SIZE 1045
#define IDC_TRAP_SIZE 1046

#endif
