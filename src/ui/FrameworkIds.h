/* The framework's own ids: its standard commands and the prompt of the status bar's first
   pane. Plain #defines only, so that res/quarnet.rc can include this file as well as C++ code
   (the command tables name these commands). */
#ifndef QUARNET_UI_FRAMEWORKIDS_H
#define QUARNET_UI_FRAMEWORKIDS_H

/* Standard commands. */
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

/* A status bar pane that is a separator. */
#define ID_SEPARATOR 0

/* String shown in pane 0 when no menu item is highlighted. */
#define IDS_IDLEMESSAGE 57345

#endif
