// The members that the page's plug-in element has of its own (Node, Element, HTMLElement and
// HTMLObjectElement). WebKit asks the element's scriptable object about every property before the
// DOM, and a root object that allows dynamic attributes claims every name, so without these the
// page could not reach el.parentNode or el.tagName. The list is fixed; the reservation is made
// where the root object is made, on the main thread.
#pragma once

#include "src/ScriptingCore/APITypes.h"

namespace FB {

// Reserves the element's DOM member names on the element's own scriptable object, so that they
// reach the DOM. The object's methods and properties keep answering (they are asked before the
// reserved names), and so do "addEventListener" and "removeEventListener", which stay the
// plug-in's. Objects that are not JSAPIAuto keep their own rules.
void reserveElementMembers(const JSAPIPtr& elementObject);

} // namespace FB
