#pragma once
// The classes the scene's factory makes, by LT_ type code. Codes 0 (LT_NONE), 1 (LT_AUDIO),
// 10 (LT_MAP) and 28 and above have no class and are refused; the classes of the other
// codes are registered as they are built.

#include <functional>

namespace orva {

class TOrvaBaseList;
class TOrvaObject;

// Makes a listed object of its class in the scene (CreateSceneObject<T>).
using TObjectConstructor = std::function<TOrvaObject*(TOrvaBaseList& scene)>;

// Whether the factory may hold a class for the code.
bool IsCreatableObjectType(int code);

// Registers the class of a code (an empty constructor removes it) and returns the previous
// one; raises EListError for the refused codes.
TObjectConstructor RegisterObjectClass(int code, TObjectConstructor constructor);

// The registered constructor of code & 127, or an empty one.
const TObjectConstructor& ObjectClassOf(int code);

}  // namespace orva
