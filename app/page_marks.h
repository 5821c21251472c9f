#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "automation/automation_object.h"
#include "automation/remote_object.h"

// The picker's and the test button's work inside a page, each step one
// late-bound function run in the page (RemoteObject::runFunction), so that
// a pick costs one round trip whatever it reads, counts and draws.
//
// The outline and the flash are drawn by the page itself in an element of
// their own that no rule of the page can restyle and that takes no part in
// its layout (see resources/page_marks.js).
namespace app::marks {

// How many elements of the page's top document each lookup finds with the
// code the picker made of an element (its id, else its name); -1 where the
// lookup does not apply (no code, or title and address for an element that
// is neither a link nor a button-like input).
struct CodeCounts {
    int byId = -1;       // getElementById: elements with that id
    int byName = -1;     // getElementsByName: elements with that name
    int byTitle = -1;    // links whose text, or buttons whose value, contain it
    int byAddress = -1;  // links whose href, or image buttons whose src, contain it
};

enum class Control { Other, Link, Button };

// The element under a point, as the page describes it.
struct ElementReading {
    bool found = false;  // false: nothing lies at the point
    std::string id;
    std::string name;
    std::string innerText;
    std::string outerHtml;
    std::string tag;  // lower case
    Control control = Control::Other;
    int frameDepth = 0;             // 0: the top document; n: inside n nested frames
    bool crossOriginFrame = false;  // the element is a frame whose document is not readable
    CodeCounts counts;
};

// Reads the element at (`x`, `y`) of `document` (its own CSS pixels),
// descending into same-origin frames, and outlines it when `highlight`, or
// else removes the outline. A failure says why nothing came back: the
// page did not answer in time, the model runs no script, or the page's
// answer could not be used (Failure::BadReply).
std::variant<ElementReading, automation::Failure> pickAt(
    const automation::AutomationObject& document, std::int32_t x, std::int32_t y, bool highlight);

// Removes the outline from `document`; false when the page did not take it.
bool clearOutline(const automation::AutomationObject& document);

// Flashes an outline over `element` for about a second and a half; false
// when the page did not take it.
bool flash(const automation::AutomationObject& element);

// Notes the target of the next click in `document`...
bool watchClicks(const automation::AutomationObject& document);
// ... and flashes it, ending the watch; false when nothing was clicked.
bool flashClicked(const automation::AutomationObject& document);

// Whether an id looks made by a program rather than by a person: a run of
// five or more decimal digits, or of eight or more hexadecimal digits that
// holds both digits and letters. Such ids tend to change between loads.
bool looksGenerated(std::string_view id);

}  // namespace app::marks
