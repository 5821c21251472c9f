// The binder: late binding of member names in the page, installed once per
// document under an unguessable key (see binder.cpp) before the page's own
// scripts run. Calls arrive as Runtime.callFunctionOn with a short function
// that hands `this`, the name, the member kinds to try, the wanted result
// and the arguments to the installed function.
//
// Everything it needs from the language is captured here, at install time,
// and called through a captured Reflect.apply, so a page that replaces
// Object.prototype members, Function.prototype.call/apply, JSON, Reflect,
// String, Map and so on later cannot change how names bind or results
// convert.
//
// Which member a name binds to: on a node (an element, a document) only the
// members its interface declares, that is the accessors and methods on its
// prototype chain (the compatibility layer's members live there too) and its
// own unforgeable accessors (document.location). A form's control named "id"
// or "submit", a document's named image or an expando set on the element
// never shadow the interface's own member. Any other object (a window, a
// collection, a plain script object) binds its own members first, then its
// prototype chain's.
//
// Failures are thrown as one of two primitive texts, "NotBound" (no member of
// that name and kind) or "Threw" (the member or a conversion threw, or the
// call did not fit the member); a primitive so that no exception object is
// left behind in the inspector's object registry.
//
// Member kinds: "g" property get, "m" method, "p" property put, "r" property
// put by reference. Wanted results: "n" none, "t" text, "d" number,
// "o" object, "b" truth value, "v" the value itself, "a" an array of
// primitives (sent by value).
//
// Two more entries serve the collection walks, given as the kinds:
//   "B" batch read: the text of member `name` (read as readText reads it:
//       property get, else method) of the candidates first .. first+count-1
//       of the collection (its "item" method with each position), all in one
//       call, members looked up once per prototype. With a gate, the gate
//       member's text is read first and only candidates whose gate text,
//       letters A to Z lower-cased, is one of the gate values are kept.
//       Answers [visited, position, text, position, text, ...]; the walk
//       ends early (visited < count) at the first position that gives no
//       candidate. The kept candidates are remembered for "P".
//   "P" pick: the index-th kept candidate of the last batch read on this
//       collection, the very object whose text was read.
//
// Conversions:
//   text    String(v); undefined and null give "", true/false give "true"/"false"
//   number  numbers as they are (NaN fails); true -1, false 0; a text that
//           reads fully as a decimal number (blanks around allowed) that
//           number; undefined, null, objects and other texts fail
//   truth   booleans as they are; numbers non-zero (NaN is false);
//           undefined and null false; texts "true"/"false" in any case or
//           a decimal number (non-zero); objects fail
//   object  objects and functions themselves, anything else null
//   value   the value; a BigInt as a number; a symbol fails
function (key) {
    "use strict";
    const apply = Reflect.apply;
    const getPrototypeOf = Reflect.getPrototypeOf;
    const setPrototypeOf = Reflect.setPrototypeOf;
    const getOwnPropertyDescriptor = Reflect.getOwnPropertyDescriptor;
    const defineProperty = Reflect.defineProperty;
    const ownPropertyNames = Object.getOwnPropertyNames;
    const hasOwn = Object.hasOwn;
    const toLowerCase = String.prototype.toLowerCase;
    const charCodeAt = String.prototype.charCodeAt;
    const toText = String;
    const MapType = Map;
    const mapGet = Map.prototype.get;
    const mapSet = Map.prototype.set;
    const WeakMapType = WeakMap;
    const weakGet = WeakMap.prototype.get;
    const weakSet = WeakMap.prototype.set;
    const weakDelete = WeakMap.prototype.delete;
    const nodeDescriptor = typeof Node === "function" ? getOwnPropertyDescriptor(Node.prototype, "nodeType") : undefined;
    const nodeTypeOf = nodeDescriptor !== undefined ? nodeDescriptor.get : undefined;
    const toNumberValue = Number;
    const global = window;
    if (hasOwn(global, key)) return;

    const NOT_BOUND = {};
    const FAILED = {};

    function lower(text) {
        return apply(toLowerCase, text, []);
    }

    // An array without a prototype: storing into it runs no setter that a
    // page put on Object.prototype or Array.prototype, and stays fast.
    function newList() {
        const list = [];
        setPrototypeOf(list, null);
        return list;
    }

    function add(list, value) {
        list[list.length] = value;
    }

    // A node of any document of this process: the platform's own getter
    // accepts nothing else, whatever the page did to prototypes.
    function isNode(object) {
        if (nodeTypeOf === undefined || object === null || (typeof object !== "object" && typeof object !== "function")) return false;
        try {
            apply(nodeTypeOf, object, []);
            return true;
        } catch (error) {
            return false;
        }
    }

    // The member's descriptor and its spelling: the exact name anywhere on
    // the prototype chain (from `object` itself) first, else the first own
    // name of any object of the chain that equals it without regard to
    // letter case.
    function findOnChain(object, name) {
        for (let o = object; o !== null; o = getPrototypeOf(o)) {
            const descriptor = getOwnPropertyDescriptor(o, name);
            if (descriptor !== undefined) return {descriptor, name};
        }
        const wanted = lower(name);
        for (let o = object; o !== null; o = getPrototypeOf(o)) {
            const names = ownPropertyNames(o);
            for (let i = 0; i < names.length; i++) {
                const candidate = names[i];
                if (lower(candidate) === wanted) {
                    const descriptor = getOwnPropertyDescriptor(o, candidate);
                    if (descriptor !== undefined) return {descriptor, name: candidate};
                }
            }
        }
        return undefined;
    }

    // As findOnChain, for a node: its own properties are named properties
    // and expandos, except the unforgeable accessors of its interface, so
    // the search starts at its prototype. `cache`, when given, keeps what
    // was found for each prototype and name during one call.
    function findDeclared(object, name, cache) {
        const own = getOwnPropertyDescriptor(object, name);
        if (own !== undefined && hasOwn(own, "get") && own.configurable === false) return {descriptor: own, name};
        const prototype = getPrototypeOf(object);
        if (prototype === null) return undefined;
        if (cache === undefined) return findOnChain(prototype, name);
        let members = apply(mapGet, cache, [prototype]);
        if (members === undefined) {
            members = new MapType();
            apply(mapSet, cache, [prototype, members]);
        }
        let member = apply(mapGet, members, [name]);
        if (member === undefined) {
            member = findOnChain(prototype, name);
            apply(mapSet, members, [name, member === undefined ? null : member]);
        }
        return member === null ? undefined : member;
    }

    function find(object, name, cache) {
        return isNode(object) ? findDeclared(object, name, cache) : findOnChain(object, name);
    }

    function binds(descriptor, kind) {
        const accessor = hasOwn(descriptor, "get");
        const value = accessor ? undefined : descriptor.value;
        switch (kind) {
            case "g":
                return accessor ? descriptor.get !== undefined : typeof value !== "function";
            case "m":
                return !accessor && typeof value === "function";
            case "p":
            case "r":
                return accessor ? descriptor.set !== undefined
                                : descriptor.writable === true && typeof value !== "function";
        }
        return false;
    }

    function invoke(target, name, kinds, args, cache) {
        const member = typeof name === "string" ? find(target, name, cache) : undefined;
        if (member === undefined) throw NOT_BOUND;
        const descriptor = member.descriptor;
        for (let i = 0; i < kinds.length; i++) {
            const kind = kinds[i];
            if (!binds(descriptor, kind)) continue;
            if (kind === "g") {
                // A property read takes no arguments.
                if (args.length !== 0) throw FAILED;
                return hasOwn(descriptor, "get") ? apply(descriptor.get, target, []) : descriptor.value;
            }
            if (kind === "m") return apply(descriptor.value, target, args);
            if (args.length !== 1) throw FAILED;
            if (hasOwn(descriptor, "set")) apply(descriptor.set, target, args);
            else target[member.name] = args[0];
            return true;
        }
        throw NOT_BOUND;
    }

    function isDigit(c) {
        return c >= "0" && c <= "9";
    }
    function isBlank(c) {
        return c === " " || c === "\t" || c === "\n" || c === "\r" || c === "\f" || c === "\v";
    }

    // A decimal number with optional sign, fraction and exponent, blanks
    // around it allowed; NaN for anything else ("0x10", "Infinity", "").
    function readDecimal(text) {
        let i = 0;
        const n = text.length;
        while (i < n && isBlank(text[i])) i++;
        const start = i;
        if (i < n && (text[i] === "+" || text[i] === "-")) i++;
        let digits = 0;
        while (i < n && isDigit(text[i])) i++, digits++;
        if (i < n && text[i] === ".") {
            i++;
            while (i < n && isDigit(text[i])) i++, digits++;
        }
        if (digits === 0) return NaN;
        if (i < n && (text[i] === "e" || text[i] === "E")) {
            i++;
            if (i < n && (text[i] === "+" || text[i] === "-")) i++;
            let exponentDigits = 0;
            while (i < n && isDigit(text[i])) i++, exponentDigits++;
            if (exponentDigits === 0) return NaN;
        }
        const end = i;
        while (i < n && isBlank(text[i])) i++;
        if (i !== n) return NaN;
        let literal = "";
        for (let j = start; j < end; j++) literal += text[j];
        return +literal;
    }

    function asNumber(value) {
        switch (typeof value) {
            case "number":
                if (value !== value) throw FAILED;
                return value;
            case "boolean":
                return value ? -1 : 0;
            case "bigint":
                return toNumberValue(value);
            case "string": {
                const number = readDecimal(value);
                if (number !== number) throw FAILED;
                return number;
            }
        }
        throw FAILED;
    }

    function asTruth(value) {
        switch (typeof value) {
            case "boolean":
                return value;
            case "number":
                return value !== 0 && value === value;
            case "bigint":
                return toNumberValue(value) !== 0;
            case "undefined":
                return false;
            case "string": {
                const text = lower(value);
                if (text === "true") return true;
                if (text === "false") return false;
                const number = readDecimal(value);
                if (number !== number) throw FAILED;
                return number !== 0;
            }
        }
        if (value === null) return false;
        throw FAILED;
    }

    function convert(value, wanted) {
        switch (wanted) {
            case "n":
                return undefined;
            case "t":
                return value === undefined || value === null ? "" : toText(value);
            case "d":
                return asNumber(value);
            case "b":
                return asTruth(value);
            case "o":
                return (typeof value === "object" && value !== null) || typeof value === "function" ? value : null;
            case "v":
                if (typeof value === "bigint") return toNumberValue(value);
                if (typeof value === "symbol") throw FAILED;
                return value;
            case "a":
                return value;
        }
        throw FAILED;
    }

    // The kept candidates of the last batch read, by collection.
    const lastBatch = new WeakMapType();

    // A candidate's text as readText reads it; "" for anything that fails.
    function textOf(candidate, name, cache) {
        try {
            return convert(invoke(candidate, name, "gm", [], cache), "t");
        } catch (error) {
            return "";
        }
    }

    // True when `text`, letters A to Z lower-cased, equals one of `values`
    // (texts in lower case).
    function oneOf(text, values) {
        const n = text.length;
        for (let v = 0; v < values.length; v++) {
            const value = values[v];
            if (typeof value !== "string" || value.length !== n) continue;
            let i = 0;
            for (; i < n; i++) {
                let c = apply(charCodeAt, text, [i]);
                if (c >= 65 && c <= 90) c += 32;
                if (c !== apply(charCodeAt, value, [i])) break;
            }
            if (i === n) return true;
        }
        return false;
    }

    function batch(collection, name, first, count, gateName, gateValues) {
        if (typeof name !== "string" || typeof first !== "number" || typeof count !== "number" ||
            typeof gateName !== "string" || typeof gateValues !== "object" || gateValues === null) {
            throw FAILED;
        }
        const itemMember = find(collection, "item");
        if (itemMember === undefined || !binds(itemMember.descriptor, "m")) throw NOT_BOUND;
        const item = itemMember.descriptor.value;
        const cache = new MapType();
        const kept = newList();
        const out = newList();
        add(out, 0);
        let visited = 0;
        for (let k = 0; k < count; k++) {
            const position = first + k;
            let candidate;
            try {
                candidate = apply(item, collection, [position]);
            } catch (error) {
                candidate = undefined;
            }
            if (candidate === null || candidate === undefined) break;
            visited++;
            if (gateName !== "" && !oneOf(textOf(candidate, gateName, cache), gateValues)) continue;
            add(kept, candidate);
            add(out, position);
            add(out, name === "" ? "" : textOf(candidate, name, cache));
        }
        out[0] = visited;
        apply(weakSet, lastBatch, [collection, kept]);
        return out;
    }

    function pick(collection, index) {
        const kept = apply(weakGet, lastBatch, [collection]);
        if (kept === undefined || typeof index !== "number" || !(index >= 0 && index < kept.length)) throw NOT_BOUND;
        apply(weakDelete, lastBatch, [collection]);
        return kept[index];
    }

    // `name` is a member name, or a function to run with `target` as this.
    function binder(target, name, kinds, wanted, args) {
        let result;
        try {
            if (typeof name === "function") result = apply(name, target, args);
            else if (kinds === "B") result = batch(target, name, args[0], args[1], args[2], args[3]);
            else if (kinds === "P") result = pick(target, args[0]);
            else result = invoke(target, name, kinds, args, undefined);
            return convert(result, wanted);
        } catch (error) {
            throw error === NOT_BOUND ? "NotBound" : "Threw";
        }
    }

    defineProperty(global, key, {value: binder, writable: false, enumerable: false, configurable: false});
}
