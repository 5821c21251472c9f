// What the picker and the test button do inside a page, each in one round
// trip. Called with a document as `this` ("pick", "clear", "watchClicks",
// "flashClicked") or with an element ("flash"); `key` names the per-window
// state of these marks, `x` and `y` are a point in the document's own CSS
// pixels, `highlight` says whether a pick outlines what it found.
//
// The outline and the flash are drawn in one element appended to the top
// document's root element: fixed, of no size, out of the page's flow and
// hit testing (pointer-events none, so elementFromPoint never returns it),
// with every property of it set inline as !important and its boxes in a
// closed shadow root, so no rule of the page reaches them and they change
// neither the layout nor the style of anything the page has. It is removed
// as soon as neither an outline nor a flash shows.
//
// "pick" returns a JSON text: the element under the point, looked for
// through same-origin frames down to the innermost document, with the texts
// the picker shows and how many elements of the page each lookup finds with
// the code that the picker makes of it (the id, else the name).
function (action, key, x, y, highlight) {
    "use strict";
    const HOST_TAG = "script-maker-mark";
    const HOST_STYLE =
        "all: initial !important; display: block !important; position: fixed !important;" +
        " left: 0 !important; top: 0 !important; width: 0 !important; height: 0 !important;" +
        " margin: 0 !important; padding: 0 !important; border: 0 !important;" +
        " overflow: visible !important; z-index: 2147483647 !important;" +
        " pointer-events: none !important; visibility: visible !important;" +
        " opacity: 1 !important; transform: none !important; filter: none !important;";
    const BOX_STYLE =
        "all: initial !important; display: block !important; position: fixed !important;" +
        " box-sizing: border-box !important; pointer-events: none !important;" +
        " border: 2px solid rgb(230, 0, 122) !important;";
    const OUTLINE_FILL = "rgba(230, 0, 122, 0.12)";
    const FLASH_FILL = "rgba(230, 0, 122, 0.25)";
    const BUTTON_TYPES = ["submit", "button", "reset", "image"];

    const getOwn = Object.getOwnPropertyDescriptor;
    const getProto = Object.getPrototypeOf;
    const ownNames = Object.getOwnPropertyNames;

    // The member as the element's interface declares it: the exact name on
    // the prototype chain first, else the first name that equals it without
    // regard to letter case. Own properties (expandos) and named controls
    // are never taken. A property is read, a method called without
    // arguments; null, undefined, a missing member and a throw give "".
    function memberText(object, name) {
        let found;
        for (let o = getProto(object); o !== null && !found; o = getProto(o)) found = getOwn(o, name);
        if (!found) {
            const wanted = name.toLowerCase();
            for (let o = getProto(object); o !== null && !found; o = getProto(o)) {
                const names = ownNames(o);
                for (let i = 0; i < names.length && !found; i++) {
                    if (names[i].toLowerCase() === wanted) found = getOwn(o, names[i]);
                }
            }
        }
        if (!found) return "";
        try {
            let value;
            if (found.get) value = found.get.call(object);
            else if (typeof found.value === "function") value = found.value.call(object);
            else value = found.value;
            return value === undefined || value === null ? "" : String(value);
        } catch (e) {
            return "";
        }
    }

    // Letter case ignored for A to Z only, as the library's lookups compare.
    function lowerAZ(text) {
        return text.replace(/[A-Z]/g, (c) => String.fromCharCode(c.charCodeAt(0) + 32));
    }
    function contains(haystack, needle) {
        if (needle === "") return haystack !== "";
        return lowerAZ(haystack).indexOf(lowerAZ(needle)) >= 0;
    }

    function isHtmlDocument(doc) {
        return !!doc && !!doc.documentElement && doc.defaultView !== null &&
               doc.contentType === "text/html";
    }

    function state(doc) {
        const win = doc.defaultView;
        if (!win) return null;
        if (!Object.prototype.hasOwnProperty.call(win, key)) {
            Object.defineProperty(win, key, {
                value: {host: null, root: null, outline: null, flash: null, clicked: null,
                        listener: null},
                configurable: true, enumerable: false, writable: false});
        }
        return win[key];
    }

    function ensureHost(doc) {
        const s = state(doc);
        if (!s || !isHtmlDocument(doc)) return null;
        if (!s.host) {
            s.host = doc.createElement(HOST_TAG);
            s.root = s.host.attachShadow({mode: "closed"});
        }
        s.host.setAttribute("style", HOST_STYLE);
        if (s.host.parentNode !== doc.documentElement) doc.documentElement.appendChild(s.host);
        return s;
    }

    function removeHostWhenIdle(s) {
        if (s && s.host && !s.outline && !s.flash && s.host.parentNode) {
            s.host.parentNode.removeChild(s.host);
        }
    }

    function box(s, rect, fill) {
        const b = s.host.ownerDocument.createElement("div");
        s.root.appendChild(b);
        place(b, rect, fill);
        return b;
    }

    function place(b, rect, fill) {
        const left = Math.floor(rect.left), top = Math.floor(rect.top);
        const width = Math.max(4, Math.ceil(rect.right) - left);
        const height = Math.max(4, Math.ceil(rect.bottom) - top);
        b.setAttribute("style", BOX_STYLE + " left: " + left + "px !important; top: " + top +
                                    "px !important; width: " + width + "px !important; height: " +
                                    height + "px !important; background: " + fill +
                                    " !important;");
    }

    function clearOutline(doc) {
        const s = isHtmlDocument(doc) ? state(doc) : null;
        if (!s || !s.outline) return;
        s.outline.remove();
        s.outline = null;
        removeHostWhenIdle(s);
    }

    function showOutline(doc, rect) {
        const s = ensureHost(doc);
        if (!s) return;
        if (s.outline && s.outline.parentNode === s.root) place(s.outline, rect, OUTLINE_FILL);
        else s.outline = box(s, rect, OUTLINE_FILL);
    }

    // Where a frame element's document starts, in its own document's pixels.
    function frameOrigin(frame) {
        const r = frame.getBoundingClientRect();
        const view = frame.ownerDocument.defaultView;
        const cs = view ? view.getComputedStyle(frame) : null;
        const padLeft = cs ? parseFloat(cs.paddingLeft) || 0 : 0;
        const padTop = cs ? parseFloat(cs.paddingTop) || 0 : 0;
        return {x: r.left + frame.clientLeft + padLeft, y: r.top + frame.clientTop + padTop};
    }

    function isFrame(element) {
        const tag = element.tagName;
        return tag === "IFRAME" || tag === "FRAME";
    }

    // The element's box in the pixels of the top-most document that can be
    // reached from it, and that document.
    function boxInTop(element) {
        const r = element.getBoundingClientRect();
        let rect = {left: r.left, top: r.top, right: r.right, bottom: r.bottom};
        let doc = element.ownerDocument;
        for (;;) {
            let frame = null;
            try {
                frame = doc.defaultView ? doc.defaultView.frameElement : null;
            } catch (e) {
                frame = null;
            }
            if (!frame) break;
            const o = frameOrigin(frame);
            rect = {left: rect.left + o.x, top: rect.top + o.y, right: rect.right + o.x,
                    bottom: rect.bottom + o.y};
            doc = frame.ownerDocument;
        }
        return {rect, doc};
    }

    function flash(element) {
        if (!element || typeof element.getBoundingClientRect !== "function") return false;
        const where = boxInTop(element);
        const s = ensureHost(where.doc);
        if (!s) return false;
        if (s.flash) s.flash.remove();
        const b = box(s, where.rect, FLASH_FILL);
        s.flash = b;
        const done = () => {
            b.remove();
            if (s.flash === b) s.flash = null;
            removeHostWhenIdle(s);
        };
        const blink = b.animate([{opacity: 1}, {opacity: 0.1}, {opacity: 1}, {opacity: 0.1},
                                 {opacity: 1}, {opacity: 0}],
                                {duration: 1600, fill: "forwards"});
        blink.onfinish = done;
        return true;
    }

    function countWithId(doc, code) {
        let n = 0;
        const all = doc.querySelectorAll("[id]");
        for (let i = 0; i < all.length; i++) if (all[i].getAttribute("id") === code) n++;
        return n;
    }

    function pick() {
        const top = this;
        let doc = top, px = x, py = y, offsetX = 0, offsetY = 0, depth = 0, crossOrigin = false;
        let element = doc.elementFromPoint(px, py);
        while (element && isFrame(element)) {
            let inner = null;
            try {
                inner = element.contentDocument;
            } catch (e) {
                inner = null;
            }
            if (!inner) {
                crossOrigin = true;
                break;
            }
            const o = frameOrigin(element);
            const hit = inner.elementFromPoint(px - o.x, py - o.y);
            if (!hit) break;
            doc = inner;
            element = hit;
            px -= o.x;
            py -= o.y;
            offsetX += o.x;
            offsetY += o.y;
            depth++;
        }
        if (!element) {
            clearOutline(top);
            return JSON.stringify({found: false});
        }
        if (highlight) {
            const r = element.getBoundingClientRect();
            showOutline(top, {left: r.left + offsetX, top: r.top + offsetY,
                              right: r.right + offsetX, bottom: r.bottom + offsetY});
        } else {
            clearOutline(top);
        }

        const id = memberText(element, "ID");
        const name = memberText(element, "Name");
        const code = id !== "" ? id : name;
        const tag = String(element.tagName || "").toLowerCase();
        let control = "";
        if (tag === "a") control = "link";
        if (tag === "input" && BUTTON_TYPES.indexOf(lowerAZ(memberText(element, "type"))) >= 0) {
            control = "button";
        }

        // The lookups of the test button and of a script's player run on the
        // page's top document, so that is where they are counted.
        const counts = {id: -1, name: -1, title: -1, address: -1};
        if (code !== "") {
            counts.id = countWithId(top, code);
            counts.name = top.getElementsByName(code).length;
            if (control === "link") {
                const links = top.getElementsByTagName("a");
                counts.title = 0;
                counts.address = 0;
                // A link's rendered text holds no letter that its text
                // content lacks (case and blanks aside), so the text
                // content, which needs no layout, rules most links out.
                const quick = !/\s/.test(code);
                for (let i = 0; i < links.length; i++) {
                    if ((!quick || contains(links[i].textContent || "", code)) &&
                        contains(memberText(links[i], "innerText"), code)) {
                        counts.title++;
                    }
                    if (contains(memberText(links[i], "href"), code)) counts.address++;
                }
            } else if (control === "button") {
                const inputs = top.getElementsByTagName("input");
                counts.title = 0;
                counts.address = 0;
                for (let i = 0; i < inputs.length; i++) {
                    const type = lowerAZ(memberText(inputs[i], "type"));
                    if (BUTTON_TYPES.indexOf(type) < 0) continue;
                    if (contains(memberText(inputs[i], "value"), code)) counts.title++;
                    if (type === "image" && contains(memberText(inputs[i], "src"), code)) {
                        counts.address++;
                    }
                }
            }
        }
        return JSON.stringify({
            found: true,
            id: id,
            name: name,
            innerText: memberText(element, "innerText"),
            outerHTML: memberText(element, "outerHTML"),
            tag: tag,
            control: control,
            frameDepth: depth,
            crossOriginFrame: crossOrigin,
            counts: counts,
        });
    }

    switch (action) {
        case "pick":
            return pick.call(this);
        case "clear":
            clearOutline(this);
            return "";
        case "flash":
            return flash(this) ? "flashed" : "";
        case "watchClicks": {
            const s = state(this);
            const view = this.defaultView;
            if (!s || !view) return "";
            if (s.listener) view.removeEventListener("click", s.listener, true);
            s.clicked = null;
            s.listener = (event) => {
                if (!s.clicked) s.clicked = event.target;
            };
            view.addEventListener("click", s.listener, true);
            return "watching";
        }
        case "flashClicked": {
            const s = state(this);
            const view = this.defaultView;
            if (!s || !view) return "";
            if (s.listener) view.removeEventListener("click", s.listener, true);
            const clicked = s.clicked;
            s.listener = null;
            s.clicked = null;
            return clicked && flash(clicked) ? "flashed" : "";
        }
    }
    return "";
}
