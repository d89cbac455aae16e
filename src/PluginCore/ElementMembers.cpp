#include "src/PluginCore/ElementMembers.h"

#include <sstream>
#include <string>

#include "src/ScriptingCore/JSAPIAuto.h"

namespace FB {
namespace {

// As QtWebKit 5.212 lists them on an <object> element's prototype chain, without EventTarget's
// listener methods, which the plug-in answers itself.
const char* const kElementMembers =
    // Node
    "ATTRIBUTE_NODE CDATA_SECTION_NODE COMMENT_NODE DOCUMENT_FRAGMENT_NODE DOCUMENT_NODE "
    "DOCUMENT_POSITION_CONTAINED_BY DOCUMENT_POSITION_CONTAINS DOCUMENT_POSITION_DISCONNECTED "
    "DOCUMENT_POSITION_FOLLOWING DOCUMENT_POSITION_IMPLEMENTATION_SPECIFIC "
    "DOCUMENT_POSITION_PRECEDING DOCUMENT_TYPE_NODE ELEMENT_NODE ENTITY_NODE "
    "ENTITY_REFERENCE_NODE NOTATION_NODE PROCESSING_INSTRUCTION_NODE TEXT_NODE appendChild "
    "baseURI childNodes cloneNode compareDocumentPosition contains dispatchEvent firstChild "
    "hasChildNodes insertBefore isDefaultNamespace isEqualNode isSameNode lastChild "
    "lookupNamespaceURI lookupPrefix nextSibling nodeName nodeType nodeValue normalize "
    "ownerDocument parentElement parentNode previousSibling removeChild replaceChild "
    "textContent "
    // Element
    "after append attributes before childElementCount children classList className "
    "clientHeight clientLeft clientTop clientWidth closest firstElementChild getAttributeNS "
    "getAttributeNames getAttributeNode getAttributeNodeNS getBoundingClientRect getClientRects "
    "getElementsByClassName getElementsByTagName getElementsByTagNameNS hasAttribute "
    "hasAttributeNS hasAttributes id innerHTML insertAdjacentElement insertAdjacentHTML "
    "insertAdjacentText lastElementChild localName matches namespaceURI nextElementSibling "
    "outerHTML prefix prepend previousElementSibling querySelector querySelectorAll remove "
    "removeAttribute removeAttributeNS removeAttributeNode replaceWith scrollByLines "
    "scrollByPages scrollHeight scrollIntoView scrollIntoViewIfNeeded scrollLeft scrollTop "
    "scrollWidth setAttributeNS setAttributeNode setAttributeNodeNS tagName "
    "webkitGetRegionFlowRanges webkitMatchesSelector webkitRegionOverset "
    "webkitRequestFullScreen webkitRequestFullscreen ALLOW_KEYBOARD_INPUT "
    // HTMLElement
    "accessKey blur click contentEditable dataset dir draggable focus hidden innerText "
    "isContentEditable lang offsetHeight offsetLeft offsetParent offsetTop offsetWidth "
    "outerText spellcheck style tabIndex title translate webkitdropzone "
    "onabort onanimationend onanimationiteration onanimationstart onbeforecopy onbeforecut "
    "onbeforeload onbeforepaste onblur oncanplay oncanplaythrough onchange onclick "
    "oncontextmenu oncopy oncut ondblclick ondrag ondragend ondragenter ondragleave ondragover "
    "ondragstart ondrop ondurationchange onemptied onended onerror onfocus onfocusin onfocusout "
    "oninput oninvalid onkeydown onkeypress onkeyup onload onloadeddata onloadedmetadata "
    "onloadstart onmousedown onmouseenter onmouseleave onmousemove onmouseout onmouseover "
    "onmouseup onmousewheel onpaste onpause onplay onplaying onprogress onratechange onreset "
    "onresize onscroll onsearch onseeked onseeking onselect onselectstart onstalled onsubmit "
    "onsuspend ontimeupdate ontouchcancel ontouchend ontouchmove ontouchstart ontransitionend "
    "onvolumechange onwaiting onwebkitanimationend onwebkitanimationiteration "
    "onwebkitanimationstart onwebkitfullscreenchange onwebkitfullscreenerror "
    "onwebkitmouseforcechanged onwebkitmouseforcedown onwebkitmouseforceup "
    "onwebkitmouseforcewillbegin onwebkittransitionend onwebkitwillrevealbottom "
    "onwebkitwillrevealleft onwebkitwillrevealright onwebkitwillrevealtop onwheel "
    // HTMLObjectElement
    "align archive border checkValidity code codeBase codeType contentDocument data declare "
    "form getSVGDocument height hspace name setCustomValidity standby type useMap "
    "validationMessage validity vspace width willValidate";

} // namespace

void reserveElementMembers(const JSAPIPtr& elementObject) {
    auto automatic = boost::dynamic_pointer_cast<JSAPIAuto>(elementObject);
    if (!automatic) {
        return;
    }
    std::istringstream names(kElementMembers);
    for (std::string name; names >> name;) {
        automatic->setReserved(name);
    }
}

} // namespace FB
