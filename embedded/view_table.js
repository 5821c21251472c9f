// The handle table of an embedded view: installed into the application's own
// world of every document of the view (the top document's table is the one
// in use; a frame's copy only gives its window the execScript below), after
// the binder (automation/binder.js, installed there under `binderKey`). The
// page's scripts live in another world and can reach neither this table nor
// the binder; the objects they share with this world are the document's own
// nodes and windows, seen here with the platform's own members only (no
// expando of the page shows here).
//
// Every late-bound call is one script run in this world that calls the
// function installed under `key`:
//
//   entry(table, releases, handle, name, kinds, wanted, args, objects)
//
//   table     the id of the table the caller's handle came from; "" for a
//             request that holds no handle (the document)
//   releases  [table id, handle, ...] pairs: handles the caller let go of
//   handle    the object the call is made on; 0 for the document (-1 only
//             delivers the releases, -2 answers how many handles are held)
//   name      the member name, or a function to run with the object as this
//   kinds     the member kinds to try, wanted the result (see binder.js)
//   args      the arguments; objects is a flat list of position, handle
//             pairs whose arguments are objects of this table
//
// It answers with a small array that the embedder reads:
//   ["s", text] ["d", number] ["D", "NaN" | "Infinity" | "-Infinity" | "-0"]
//   ["b", truth] ["u"] undefined ["z"] null ["o", handle, table]
//   ["NotBound"] ["Threw"] ["Gone"] (the handle's document is gone)
// and, when the call ran window.execScript on this top window, a last
// element ["x", code]: the embedder runs that code in the page's own world,
// where it belongs (and where the page's content policy does not stop it).
function (key, binderKey) {
    "use strict";
    const global = window;
    if (Object.hasOwn(global, key)) return;
    const binder = global[binderKey];
    if (typeof binder !== "function") return;

    const defineProperty = Reflect.defineProperty;
    const apply = Reflect.apply;
    const toText = String;
    const regExpTest = RegExp.prototype.test;
    const mapGet = Map.prototype.get;
    const mapSet = Map.prototype.set;
    const mapDelete = Map.prototype.delete;
    const mapHas = Map.prototype.has;
    const createElement = Document.prototype.createElement;
    const appendChild = Node.prototype.appendChild;
    const removeChild = Node.prototype.removeChild;
    const textContentSetter = Reflect.getOwnPropertyDescriptor(Node.prototype, "textContent").set;
    const documentElementOf = Reflect.getOwnPropertyDescriptor(Document.prototype, "documentElement").get;

    const id = toText(Math.random()).slice(2) + toText(Date.now());
    const objects = new Map();
    let nextHandle = 1;
    let mainWorldCode = null;

    function store(object) {
        const handle = nextHandle++;
        apply(mapSet, objects, [handle, object]);
        return handle;
    }

    // execScript of the compatibility layer would run the code in this
    // world, out of the page's reach. In the top window the embedder runs it
    // in the page's world instead; in a frame's window it becomes a script
    // element of that frame's document, which runs in the page's world there
    // (as far as the frame's content policy allows inline script).
    const isTop = global.top === global;
    function execScript(code, language) {
        if (language !== undefined && language !== null && language !== "" &&
            !apply(regExpTest, /^(jscript|javascript)$/i, [toText(language)])) {
            return undefined;
        }
        const source = toText(code === undefined || code === null ? "" : code);
        if (isTop && (this === global || this === undefined)) {
            mainWorldCode = mainWorldCode === null ? source : mainWorldCode + "\n;" + source;
            return undefined;
        }
        const document = this.document;
        const script = apply(createElement, document, ["script"]);
        apply(textContentSetter, script, [source]);
        const parent = apply(documentElementOf, document, []) || document;
        apply(appendChild, parent, [script]);
        apply(removeChild, parent, [script]);
        return undefined;
    }
    // In place of the layer's copy of this world.
    defineProperty(global, "execScript",
                   {value: execScript, writable: true, enumerable: false, configurable: true});

    function reply(result) {
        switch (typeof result) {
            case "string":
                return ["s", result];
            case "number":
                if (result !== result) return ["D", "NaN"];
                if (result === Infinity) return ["D", "Infinity"];
                if (result === -Infinity) return ["D", "-Infinity"];
                if (result === 0 && 1 / result < 0) return ["D", "-0"];
                return ["d", result];
            case "boolean":
                return ["b", result];
            case "undefined":
                return ["u"];
            case "object":
                if (result === null) return ["z"];
                return ["o", store(result), id];
            case "function":
                return ["o", store(result), id];
        }
        return ["Threw"];
    }

    function entry(table, releases, handle, name, kinds, wanted, args, objectArgs) {
        for (let i = 0; i + 1 < releases.length; i += 2) {
            if (releases[i] === id) apply(mapDelete, objects, [releases[i + 1]]);
        }
        if (table !== "" && table !== id) return ["Gone"];
        if (handle === -2) return ["d", objects.size];
        let target;
        if (handle === 0) {
            target = global.document;
        } else {
            if (!apply(mapHas, objects, [handle])) return ["Gone"];
            target = apply(mapGet, objects, [handle]);
        }
        for (let i = 0; i + 1 < objectArgs.length; i += 2) {
            const at = objectArgs[i];
            const argumentHandle = objectArgs[i + 1];
            if (!apply(mapHas, objects, [argumentHandle])) return ["Threw"];
            args[at] = apply(mapGet, objects, [argumentHandle]);
        }
        mainWorldCode = null;
        let answer;
        try {
            answer = reply(binder(target, name, kinds, wanted, args));
        } catch (error) {
            answer = [error === "NotBound" ? "NotBound" : "Threw"];
        }
        if (mainWorldCode !== null) {
            answer[answer.length] = ["x", mainWorldCode];
            mainWorldCode = null;
        }
        return answer;
    }

    defineProperty(global, key, {value: entry, writable: false, enumerable: false, configurable: false});
}
