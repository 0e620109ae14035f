/* Numeric ids of the shell's commands, status panes and shared resources. Plain #defines only,
   so that res/quarnet.rc can include this file as well as C++ code. The tables that say what
   each id does are in app/CommandTable.h. */
#ifndef QUARNET_APP_RESOURCEIDS_H
#define QUARNET_APP_RESOURCEIDS_H

/* Menu, accelerator table, toolbar bitmap and document template string share one id. */
#define IDR_MAINFRAME 2
#define IDD_ABOUTBOX 100
#define IDB_ABOUT 109
/* The help topics' source text (res/help/quarnet-help.txt), as raw data. */
#define IDR_HELP 120

/* Commands of the view. */
#define ID_SETUP_FILTERS 32772
#define ID_PREFERENCES_COLORS 32774
#define ID_VIEW_TRAPBUFFER 32776
#define ID_PREFERENCES_FONT 32777
#define ID_PREFERENCES_VERBOSE 32778
#define ID_PREFERENCES_SHOWTIME 32779
#define ID_PREFERENCES_VERTSPACE 32780
#define ID_FILE_ENDTRACE 32781
#define ID_FILE_BEGINTRACE 32782
#define ID_EDIT_CLEARBUFFER 32783
#define ID_FILE_LAUNCHPGM 32784
#define ID_PREFERENCES_DATAONLY 32785
#define ID_TRIGGER_ENABLE 32787
#define ID_TRIGGER_SPECIFY 32789

/* The framework's standard command ids. */
#define ID_FILE_NEW 57600
#define ID_FILE_OPEN 57601
#define ID_FILE_SAVE 57603
#define ID_FILE_SAVE_AS 57604
#define ID_FILE_PRINT_SETUP 57606
#define ID_FILE_PRINT 57607
#define ID_FILE_PRINT_PREVIEW 57609
#define ID_EDIT_COPY 57634
#define ID_EDIT_CUT 57635
#define ID_EDIT_PASTE 57637
#define ID_EDIT_UNDO 57643
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_HELP_INDEX 57666
#define ID_HELP_USING 57668
#define ID_CONTEXT_HELP 57669
#define ID_HELP 57670
#define ID_DEFAULT_HELP 57671
#define ID_NEXT_PANE 57680
#define ID_PREV_PANE 57681
#define ID_VIEW_TOOLBAR 59392
#define ID_VIEW_STATUS_BAR 59393

/* Status panes; pane 0 is a separator. */
#define ID_SEPARATOR 0
#define ID_INDICATOR_POSITION 59142
#define ID_INDICATOR_TRAP 59143
#define ID_INDICATOR_TRIGGER 59144

/* String shown in pane 0 when no menu item is highlighted. */
#define IDS_IDLEMESSAGE 57345

/* About box: the agent line and the invisible frame that places the picture. */
#define IDC_ABOUT_PICTURE 1018
#define IDC_ABOUT_AGENT 1047

/* Capture Filters dialog. */
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

/* Range dialog of Copy to Clipboard and Print. */
#define IDD_RANGE 104
#define IDC_RANGE_ALL 1017
#define IDC_RANGE_PAGE 1018
#define IDC_RANGE_RECORD 1019
#define IDC_RANGE_FROM 1020
#define IDC_RANGE_TO 1021
#define IDC_RANGE_TO_LABEL 1022

/* Buffer Allocation dialog. */
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
