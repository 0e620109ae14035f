/* The range dialog's resource and control ids (Copy to Clipboard and Print). Plain #defines
   only: res/quarnet.rc includes this file too. */
#ifndef QUARNET_DIALOGS_RANGEIDS_H
#define QUARNET_DIALOGS_RANGEIDS_H

#define IDD_RANGE 104
#define IDC_RANGE_ALL 1017
#define IDC_RANGE_PAGE 1018
#define IDC_RANGE_RECORD 1019
#define IDC_RANGE_FROM 1020
#define IDC_RANGE_TO 1021
#define IDC_RANGE_TO_LABEL 1022

#endif
