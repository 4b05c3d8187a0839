#pragma once
// The text subsystem's part of the running system: the message box class in the scene's
// factory, and the backlog and the read marks, made and freed with the scene globals.

namespace orva {

class TCallMan;
class TOrvaNewHistory;
class TOrvaReadList;
class TTextLink;

// Registers LT_MES and the backlog and read marks with the scene globals; once is enough.
void RegisterTextSubsystem();

// None outside CreateSceneGlobals .. FreeSceneGlobals.
TOrvaNewHistory* GetHistory();
TOrvaReadList* GetReadMarks();

// What the call manager is given (TCallMan::SetText, TProjectSetup::Text).
TTextLink& TextLink();

}  // namespace orva
