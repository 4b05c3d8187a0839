#pragma once
// The text subsystem's part of the running system: the message box, edit and memo classes in
// the scene's factory, and the backlog and the read marks, made and freed with the scene
// globals.

namespace orva {

class TCallMan;
class TOrvaNewHistory;
class TOrvaReadList;
class TTextLink;

// Registers LT_MES, LT_EDIT, LT_MEMO and the backlog and read marks with the scene globals; once is enough.
void RegisterTextSubsystem();

// None outside CreateSceneGlobals .. FreeSceneGlobals.
TOrvaNewHistory* GetHistory();
TOrvaReadList* GetReadMarks();

// What the call manager is given (TCallMan::SetText, TProjectSetup::Text).
TTextLink& TextLink();

}  // namespace orva
