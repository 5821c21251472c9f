// The binder: late binding of member names in the page, installed once per
// document under an unguessable key (see binder.cpp) before the page's own
// scripts run. Calls arrive as Runtime.callFunctionOn with a short function
// that hands `this`, the name, the member kinds to try, the wanted result
// and the arguments to the installed function.
//
// Everything it needs from the language is captured here, at install time,
// and called through a captured Reflect.apply, so a page that replaces
// Object.prototype members, Function.prototype.call/apply, JSON, Reflect,
// String and so on later cannot change how names bind or results convert.
//
// Failures are thrown as one of two primitive texts, "NotBound" (no member of
// that name and kind) or "Threw" (the member or a conversion threw, or the
// call did not fit the member); a primitive so that no exception object is
// left behind in the inspector's object registry.
//
// Member kinds: "g" property get, "m" method, "p" property put, "r" property
// put by reference. Wanted results: "n" none, "t" text, "d" number,
// "o" object, "b" truth value, "v" the value itself.
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
    const getOwnPropertyDescriptor = Reflect.getOwnPropertyDescriptor;
    const defineProperty = Reflect.defineProperty;
    const ownPropertyNames = Object.getOwnPropertyNames;
    const hasOwn = Object.hasOwn;
    const toLowerCase = String.prototype.toLowerCase;
    const toText = String;
    const toNumberValue = Number;
    const global = window;
    if (hasOwn(global, key)) return;

    const NOT_BOUND = {};
    const FAILED = {};

    function lower(text) {
        return apply(toLowerCase, text, []);
    }

    // The member's descriptor and its spelling: the exact name anywhere on
    // the prototype chain first, else the first own name of any object of
    // the chain that equals it without regard to letter case.
    function find(object, name) {
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

    function invoke(target, name, kinds, args) {
        const member = typeof name === "string" ? find(target, name) : undefined;
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
        }
        throw FAILED;
    }

    // `name` is a member name, or a function to run with `target` as this.
    function binder(target, name, kinds, wanted, args) {
        let result;
        try {
            result = typeof name === "function" ? apply(name, target, args) : invoke(target, name, kinds, args);
            return convert(result, wanted);
        } catch (error) {
            throw error === NOT_BOUND ? "NotBound" : "Threw";
        }
    }

    defineProperty(global, key, {value: binder, writable: false, enumerable: false, configurable: false});
}
