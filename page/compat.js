// Document-model members of the older browser engine that the page
// operations call, provided on top of the standard DOM. This script is
// installed into every document (top level and frames) before the
// document's own scripts run.
//
// Rules it keeps:
// - it only adds members that a standard page does not have, all of them
//   non-enumerable, and changes no standard member except item() on
//   collections, which now answers a call without an argument (that call
//   threw before) instead of throwing;
// - it takes the built-ins it needs before the page's scripts run, so a page
//   that later replaces them cannot break it;
// - installing it twice into one document does nothing the second time.
(function () {
    'use strict';

    if (typeof Document === 'undefined' ||
        Object.getOwnPropertyDescriptor(Document.prototype, 'parentWindow')) {
        return;
    }

    const global = window;
    const defineProperty = Object.defineProperty;
    const getOwnPropertyDescriptor = Object.getOwnPropertyDescriptor;
    const getOwnPropertyNames = Object.getOwnPropertyNames;
    const getPrototypeOf = Object.getPrototypeOf;
    const apply = Reflect.apply;
    const globalEval = global.eval;
    const isArray = Array.isArray;
    const stringOf = String;
    const numberOf = Number;
    const mathTrunc = Math.trunc;
    const regExpTest = RegExp.prototype.test;
    const stringToLowerCase = String.prototype.toLowerCase;
    const stringSlice = String.prototype.slice;
    const stringReplace = String.prototype.replace;
    const getElementsByTagName = Element.prototype.getElementsByTagName;
    const documentGetElementsByTagName = Document.prototype.getElementsByTagName;
    const createElement = Document.prototype.createElement;
    const appendChild = Node.prototype.appendChild;
    const removeChild = Node.prototype.removeChild;
    const dispatchEvent = EventTarget.prototype.dispatchEvent;
    const getBoundingClientRect = Element.prototype.getBoundingClientRect;
    const attachShadow = Element.prototype.attachShadow;
    const getSelection = Window.prototype.getSelection ||
        getOwnPropertyDescriptor(global, 'getSelection').value;
    const getter = (proto, name) => getOwnPropertyDescriptor(proto, name).get;
    const defaultViewOf = getter(Document.prototype, 'defaultView');
    const ownerDocumentOf = getter(Node.prototype, 'ownerDocument');
    const documentElementOf = getter(Document.prototype, 'documentElement');
    const styleOf = getter(HTMLElement.prototype, 'style');
    const textContentSetter = getOwnPropertyDescriptor(Node.prototype, 'textContent').set;
    const HTMLCollectionItem = HTMLCollection.prototype.item;
    const arrayIncludes = Array.prototype.includes;
    const MouseEventConstructor = MouseEvent;
    const KeyboardEventConstructor = KeyboardEvent;
    const FocusEventConstructor = FocusEvent;
    const EventConstructor = Event;
    const TypeErrorConstructor = TypeError;
    const includes = (list, value) => apply(arrayIncludes, list, [value]);

    const lower = (text) => apply(stringToLowerCase, stringOf(text), []);
    const matches = (pattern, text) => apply(regExpTest, pattern, [text]);

    // A member that the page does not see in for-in loops or Object.keys.
    // A page that assigns to the name gets a plain property of its own, as it
    // would have without this script.
    function hidden(target, name, descriptor) {
        if (getOwnPropertyDescriptor(target, name)) return;
        descriptor.configurable = true;
        descriptor.enumerable = false;
        if ('value' in descriptor) {
            descriptor.writable = true;
        } else if (!descriptor.set) {
            descriptor.set = function (value) {
                defineProperty(this, name,
                               {value, writable: true, enumerable: true, configurable: true});
            };
        }
        defineProperty(target, name, descriptor);
    }

    // Collections count from 0; a position may arrive as a double or a text.
    function position(argument) {
        const n = numberOf(argument);
        return n === n ? mathTrunc(n) : -1;
    }

    // ---------------------------------------------------------------------
    // item() without an argument gives the first item.

    function firstItemWhenOmitted(proto) {
        const descriptor = proto && getOwnPropertyDescriptor(proto, 'item');
        if (!descriptor || typeof descriptor.value !== 'function') return;
        const original = descriptor.value;
        const item = {
            item() {
                if (arguments.length === 0) return apply(original, this, [0]);
                return apply(original, this, arguments);
            },
        }.item;
        defineProperty(item, 'length', {value: original.length, configurable: true});
        defineProperty(proto, 'item', {
            value: item,
            writable: descriptor.writable,
            enumerable: descriptor.enumerable,
            configurable: descriptor.configurable,
        });
    }
    for (const name of ['HTMLCollection', 'NodeList', 'HTMLOptionsCollection',
                        'HTMLFormControlsCollection', 'HTMLSelectElement', 'NamedNodeMap',
                        'DOMTokenList', 'StyleSheetList', 'CSSRuleList', 'FileList',
                        'MediaList', 'DOMStringList', 'TouchList', 'DOMRectList']) {
        const constructor = global[name];
        if (typeof constructor === 'function') firstItemWhenOmitted(constructor.prototype);
    }

    // ---------------------------------------------------------------------
    // document.parentWindow and document.frames.

    hidden(Document.prototype, 'parentWindow', {
        get() { return apply(defaultViewOf, this, []); },
    });

    // The windows of a document's frames, in document order.
    class FrameCollection {
        constructor(view) { defineProperty(this, 'view', {value: view}); }
        get length() { return this.view ? this.view.length : 0; }
        item(index) {
            const view = this.view;
            if (!view) return null;
            if (arguments.length === 0) index = 0;
            if (typeof index === 'string' && !matches(/^\s*-?\d/, index)) {
                for (let i = 0; i < view.length; ++i) {
                    try {
                        if (view[i].name === index) return view[i];
                    } catch (e) {
                        // A frame of another origin does not show its name.
                    }
                }
                return null;
            }
            const at = position(index);
            return at >= 0 && at < view.length ? view[at] : null;
        }
    }
    hidden(Document.prototype, 'frames', {
        get() { return new FrameCollection(apply(defaultViewOf, this, [])); },
    });

    // A frame's window answers "id" with the id of the element that hosts it,
    // so frames can be found by id. Only frame windows get it; a frame's own
    // global named `id`, or an element named "id" in it, still wins.
    if (global.parent !== global) {
        const namedLookup = getPrototypeOf(getPrototypeOf(global));
        hidden(global, 'id', {
            get() {
                let named;
                try {
                    named = namedLookup ? Reflect.get(namedLookup, 'id', global) : undefined;
                } catch (e) {
                    named = undefined;
                }
                if (named !== undefined) return named;
                const host = global.frameElement;
                return host ? host.id : '';
            },
            set(value) {
                defineProperty(global, 'id', {
                    value, writable: true, enumerable: true, configurable: true});
            },
        });
    }

    // ---------------------------------------------------------------------
    // `all` on elements, tags(name) on `all` collections.

    // The descendant elements of one element, in document order. It is live:
    // every access reads the tree as it is.
    class AllCollection {
        constructor(root) { defineProperty(this, 'root', {value: root}); }
        get elements() { return apply(getElementsByTagName, this.root, ['*']); }
        get length() { return this.elements.length; }
        item(nameOrIndex) {
            const elements = this.elements;
            if (arguments.length === 0) return apply(HTMLCollectionItem, elements, [0]);
            if (typeof nameOrIndex === 'string' && !matches(/^\s*-?\d/, nameOrIndex)) {
                return this.namedItem(nameOrIndex);
            }
            return apply(HTMLCollectionItem, elements, [position(nameOrIndex)]);
        }
        namedItem(name) {
            const elements = this.elements;
            for (let i = 0; i < elements.length; ++i) {
                const element = apply(HTMLCollectionItem, elements, [i]);
                if (element.id === name || element.getAttribute('name') === name) return element;
            }
            return null;
        }
        tags(name) { return apply(getElementsByTagName, this.root, [stringOf(name)]); }
    }
    hidden(Element.prototype, 'all', {get() { return new AllCollection(this); }});
    if (typeof HTMLAllCollection === 'function') {
        hidden(HTMLAllCollection.prototype, 'tags', {
            value: function tags(name) {
                return apply(documentGetElementsByTagName, global.document, [stringOf(name)]);
            },
        });
    }

    // ---------------------------------------------------------------------
    // fireEvent(name, eventObject).

    const mouseEvents = ['click', 'dblclick', 'mousedown', 'mouseup', 'mouseover', 'mouseout',
                         'mousemove', 'mouseenter', 'mouseleave', 'contextmenu'];
    const keyEvents = ['keydown', 'keyup', 'keypress'];
    const focusEvents = ['focus', 'blur', 'focusin', 'focusout'];
    const copiedFields = ['clientX', 'clientY', 'screenX', 'screenY', 'button', 'buttons',
                          'ctrlKey', 'altKey', 'shiftKey', 'metaKey', 'key', 'code',
                          'keyCode', 'charCode', 'detail'];

    // Dispatches the event named `name` ("onclick" dispatches "click"),
    // bubbling and cancelable. A template object, when one is given, lends
    // its coordinates, buttons and keys. True unless a handler cancelled it.
    function fireEvent(name, eventObject) {
        const text = lower(name);
        if (!matches(/^on[a-z]/, text)) throw new TypeErrorConstructor('Invalid event name');
        const type = apply(stringSlice, text, [2]);
        const init = {bubbles: true, cancelable: true, composed: true, view: global};
        if (eventObject !== null && typeof eventObject === 'object') {
            for (let i = 0; i < copiedFields.length; ++i) {
                const field = copiedFields[i];
                if (field in eventObject) init[field] = eventObject[field];
            }
        }
        let event;
        if (includes(mouseEvents, type)) {
            event = new MouseEventConstructor(type, init);
        } else if (includes(keyEvents, type)) {
            event = new KeyboardEventConstructor(type, init);
        } else if (includes(focusEvents, type)) {
            event = new FocusEventConstructor(type, init);
        } else {
            event = new EventConstructor(type, init);
        }
        return apply(dispatchEvent, this, [event]);
    }
    hidden(Element.prototype, 'fireEvent', {value: fireEvent});
    hidden(Document.prototype, 'fireEvent', {value: fireEvent});

    // ---------------------------------------------------------------------
    // window.execScript(code, language).

    // JScript and JavaScript (any letter case; omitted means JScript) run in
    // the window's global scope, so a function declaration replaces the
    // window's member of that name. Other languages do nothing. Errors in the
    // code are thrown to the caller.
    //
    // A page whose content policy forbids eval gets the code as an inline
    // script element instead; a policy that forbids both is lifted for the
    // session by the controlling client before the page loads.
    let evalAllowed;
    function runAsScriptElement(code) {
        const document = global.document;
        const script = apply(createElement, document, ['script']);
        apply(textContentSetter, script, [code]);
        const parent = apply(documentElementOf, document, []) || document;
        apply(appendChild, parent, [script]);
        apply(removeChild, parent, [script]);
    }
    hidden(global, 'execScript', {
        value: function execScript(code, language) {
            if (language !== undefined && language !== null && language !== '' &&
                !matches(/^(jscript|javascript)$/i, stringOf(language))) {
                return undefined;
            }
            const source = stringOf(code === undefined || code === null ? '' : code);
            if (evalAllowed === undefined) {
                try {
                    globalEval('0');
                    evalAllowed = true;
                } catch (e) {
                    evalAllowed = false;
                }
            }
            if (evalAllowed) {
                globalEval(source);
            } else {
                runAsScriptElement(source);
            }
            return undefined;
        },
    });

    // ---------------------------------------------------------------------
    // window.createPopup().

    // Colours written without '#' ("FFFFFF", "solid C0C0C0 1px") get one, as
    // the older engine accepted them; only colour-bearing properties are
    // touched, so a six-digit number elsewhere stays a number.
    function withHashes(name, value) {
        if (typeof value !== 'string' || !matches(/color|border|background|outline/i, name)) {
            return value;
        }
        return apply(stringReplace, value, [/(^|[\s,(])([0-9a-fA-F]{6}|[0-9a-fA-F]{3})(?=$|[\s,)])/g,
                                            '$1#$2']);
    }

    // The style of a pop-up's body: every style property of the real style,
    // read through, written with colour texts mended. The engine shows style
    // properties as the style object's own members, so the names are taken
    // from a real style, once, when the first pop-up is made.
    class PopupStyle {
        constructor(real) { defineProperty(this, 'real', {value: real}); }
    }
    let popupStyleReady = false;
    function preparePopupStyle(sample) {
        if (popupStyleReady) return;
        popupStyleReady = true;
        const names = getOwnPropertyNames(sample);
        for (let proto = getPrototypeOf(sample); proto && proto !== Object.prototype;
             proto = getPrototypeOf(proto)) {
            const more = getOwnPropertyNames(proto);
            for (let i = 0; i < more.length; ++i) {
                const d = getOwnPropertyDescriptor(proto, more[i]);
                if (d.get && d.set) names[names.length] = more[i];
            }
        }
        for (let i = 0; i < names.length; ++i) {
            const name = names[i];
            if (typeof name !== 'string' || getOwnPropertyDescriptor(PopupStyle.prototype, name)) {
                continue;
            }
            defineProperty(PopupStyle.prototype, name, {
                get() { return this.real[name]; },
                set(value) { this.real[name] = withHashes(name, stringOf(value)); },
                configurable: true,
            });
        }
    }

    // Pixel offset of a window's viewport inside the top window's viewport;
    // null where a cross-origin boundary hides it.
    function offsetInTop(view) {
        let x = 0;
        let y = 0;
        try {
            while (view && view !== view.top) {
                const host = view.frameElement;
                if (!host) return null;
                const rect = apply(getBoundingClientRect, host, []);
                x += rect.left + host.clientLeft;
                y += rect.top + host.clientTop;
                view = view.parent;
            }
        } catch (e) {
            return null;
        }
        return {x, y};
    }

    // A pop-up: a fixed-position box in the top document when it can be
    // reached, else in this one. Its content lives in a closed shadow root,
    // so neither the page's style sheets nor its queries see inside it.
    function createPopup() {
        let view = global;
        try {
            if (global.top.document) view = global.top;
        } catch (e) {
            view = global;
        }
        const hostDocument = view.document;
        const host = apply(createElement, hostDocument, ['div']);
        const hostStyle = apply(styleOf, host, []);
        hostStyle.cssText = 'position:fixed;display:none;margin:0;padding:0;border:0;' +
            'z-index:2147483647;overflow:visible;';
        const root = apply(attachShadow, host, [{mode: 'closed'}]);
        const body = apply(createElement, hostDocument, ['div']);
        apply(styleOf, body, []).cssText =
            'box-sizing:border-box;width:100%;height:100%;overflow:hidden;margin:0;' +
            'background:#FFFFFF;color:#000000;font:13px sans-serif;';
        apply(appendChild, root, [body]);
        preparePopupStyle(apply(styleOf, body, []));
        const bodyStyle = new PopupStyle(apply(styleOf, body, []));
        // Fixed, like the platform's own unforgeable members, so that the
        // binder takes it for the body's declared style.
        defineProperty(body, 'style', {get() { return bodyStyle; }, configurable: false});

        let attached = false;
        let open = false;
        const popupDocument = {};
        hidden(popupDocument, 'body', {get() { return body; }});
        hidden(popupDocument, 'parentWindow', {get() { return popup; }});
        const popup = {};
        hidden(popup, 'document', {get() { return popupDocument; }});
        hidden(popup, 'isOpen', {get() { return open; }});
        // Shows the pop-up at (x, y) from the anchor element's top-left
        // corner, or from the viewport's without one, w by h pixels.
        hidden(popup, 'show', {
            value: function show(x, y, width, height, anchor) {
                let left = numberOf(x) || 0;
                let top = numberOf(y) || 0;
                if (anchor && typeof anchor.getBoundingClientRect === 'function') {
                    const rect = apply(getBoundingClientRect, anchor, []);
                    left += rect.left;
                    top += rect.top;
                    const anchorView = apply(defaultViewOf, apply(ownerDocumentOf, anchor, []), []);
                    const offset = anchorView && view === anchorView.top ? offsetInTop(anchorView)
                                                                          : null;
                    if (offset) {
                        left += offset.x;
                        top += offset.y;
                    }
                }
                hostStyle.left = left + 'px';
                hostStyle.top = top + 'px';
                hostStyle.width = (numberOf(width) || 0) + 'px';
                hostStyle.height = (numberOf(height) || 0) + 'px';
                hostStyle.display = 'block';
                if (!attached) {
                    apply(appendChild, apply(documentElementOf, hostDocument, []), [host]);
                    attached = true;
                }
                open = true;
            },
        });
        hidden(popup, 'hide', {
            value: function hide() {
                hostStyle.display = 'none';
                open = false;
            },
        });
        return popup;
    }
    hidden(global, 'createPopup', {value: createPopup});

    // ---------------------------------------------------------------------
    // window.navigate(address): loads the address in this window.

    const locationOf = getOwnPropertyDescriptor(global, 'location').get;
    hidden(global, 'navigate', {
        value: function navigate(address) {
            apply(locationOf, global, []).href = stringOf(address);
        },
    });

    // ---------------------------------------------------------------------
    // document.selection.createRange().

    function activeTextControl(document) {
        const active = document.activeElement;
        if (!active) return null;
        const tag = lower(active.tagName);
        if (tag !== 'textarea' && tag !== 'input') return null;
        try {
            if (typeof active.selectionStart !== 'number') return null;
        } catch (e) {
            return null;
        }
        return active;
    }

    // A snapshot of the selection when it was created: its text, its HTML
    // and a way to replace it. Inside a text box or text area it covers the
    // selected characters of the control.
    class TextRange {
        constructor(document) {
            const control = activeTextControl(document);
            defineProperty(this, 'control', {value: control});
            if (control) {
                defineProperty(this, 'start', {value: control.selectionStart});
                defineProperty(this, 'end', {value: control.selectionEnd});
                defineProperty(this, 'range', {value: null});
                return;
            }
            const view = apply(defaultViewOf, document, []);
            const selection = view ? apply(getSelection, view, []) : null;
            const range = selection && selection.rangeCount > 0
                ? selection.getRangeAt(0).cloneRange() : null;
            defineProperty(this, 'range', {value: range});
        }
        get text() {
            if (this.control) return apply(stringSlice, this.control.value, [this.start, this.end]);
            return this.range ? this.range.toString() : '';
        }
        get htmlText() {
            if (this.control) return this.text;
            if (!this.range) return '';
            const box = apply(createElement, global.document, ['div']);
            apply(appendChild, box, [this.range.cloneContents()]);
            return box.innerHTML;
        }
        pasteHTML(html) {
            const text = stringOf(html);
            if (this.control) {
                this.control.setRangeText(text, this.start, this.end, 'end');
                return;
            }
            if (!this.range) throw new Error('No selection');
            const fragment = this.range.createContextualFragment(text);
            this.range.deleteContents();
            this.range.insertNode(fragment);
            this.range.collapse(false);
        }
    }
    class SelectionObject {
        constructor(document) { defineProperty(this, 'document', {value: document}); }
        get type() {
            const range = new TextRange(this.document);
            return range.text !== '' || (range.range && !range.range.collapsed) ? 'Text'
                                                                                : 'None';
        }
        createRange() { return new TextRange(this.document); }
        empty() {
            const view = apply(defaultViewOf, this.document, []);
            const selection = view ? apply(getSelection, view, []) : null;
            if (selection) selection.removeAllRanges();
        }
    }
    hidden(Document.prototype, 'selection', {get() { return new SelectionObject(this); }});
})();
