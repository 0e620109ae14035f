#include "app/win32/QuarnetDoc.h"

#include "app/ResourceIds.h"
#include "app/win32/QuarnetApp.h"

const ui::CommandEntry<CQuarnetDoc> CQuarnetDoc::kCommands[] = {
    {ID_FILE_SAVE, &CQuarnetDoc::OnFileSave},
};

CQuarnetDoc::CQuarnetDoc() {
  CQuarnetApp::Get()->m_pDoc = this;
}

bool CQuarnetDoc::OnNewDocument() {
  return true;
}

bool CQuarnetDoc::OnCmdMsg(UINT id, ui::CommandUI* state) {
  return ui::RouteCommand<CQuarnetDoc>(this, kCommands, {}, id, state);
}

// Ctrl+S: the document serializes nothing and is never modified, so there is nothing to write
// and no file name to ask for. Traces are saved with Save As.
void CQuarnetDoc::OnFileSave() {}
