/* Numeric ids of the shell's commands, status panes and shared resources. Plain #defines only,
   so that res/quarnet.rc can include this file as well as C++ code. The list that says what
   each command id does is app/Commands.def; each dialog's ids are beside its model in dialogs/. */
#ifndef QUARNET_APP_RESOURCEIDS_H
#define QUARNET_APP_RESOURCEIDS_H

#include "ui/FrameworkIds.h"

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

/* Status panes after the framework's separator pane 0. */
#define ID_INDICATOR_POSITION 59142
#define ID_INDICATOR_TRAP 59143
#define ID_INDICATOR_TRIGGER 59144
#define ID_INDICATOR_LOST 59145

/* About box: the agent line and the invisible frame that places the picture. */
#define IDC_ABOUT_PICTURE 1018
#define IDC_ABOUT_AGENT 1047

#endif
