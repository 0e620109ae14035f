/* Numeric ids of the shell's commands, status panes and shared resources. Plain #defines only,
   so that res/quarnet.rc can include this file as well as C++ code. The tables that say what
   each id does are in app/CommandTable.h. */
#ifndef QUARNET_APP_RESOURCEIDS_H
#define QUARNET_APP_RESOURCEIDS_H

/* Menu, accelerator table, toolbar bitmap and document template string share one id. */
#define IDR_MAINFRAME 2
#define IDD_ABOUTBOX 100
#define IDB_ABOUT 109

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

#endif
