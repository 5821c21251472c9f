// Reads one text member of several candidates of a collection in a single
// round trip. Called with the collection as `this`; returns a JSON array of
// texts, one for each position asked for, in the order asked.
//
// Each read follows the late-bound rules of a single text read: the member is
// found by its exact name, else without regard to letter case along the
// prototype chain; a member that is not a function is read, a function is
// called without arguments; null, undefined, a missing member, a missing
// candidate and anything that throws (a cross-origin frame, a hostile getter)
// all give the empty text. Nothing is compared here: the matching stays with
// the caller's text rules.
(function (name, first, count, pickedJson) {
    const collection = this;
    const lowerName = String(name).toLowerCase();

    // A page may have replaced the built-ins used here. A read that fails is
    // an empty text, so broken built-ins would pass for "no match"; refuse
    // instead, and the caller walks with its own late-bound reads.
    const probe = Object.getOwnPropertyDescriptor(Node.prototype, 'nodeType');
    if (!probe || typeof probe.get !== 'function' ||
        Object.getPrototypeOf([]) !== Array.prototype ||
        Object.getOwnPropertyNames({walkProbe: 1})[0] !== 'walkProbe' ||
        'AbC'.toLowerCase() !== 'abc' || String(12) !== '12') {
        throw 'tampered';
    }

    // The member's descriptor: the exact name anywhere on the prototype chain
    // first, else the first own name of the chain that equals it without
    // regard to letter case.
    function find(object) {
        for (let o = object; o !== null; o = Object.getPrototypeOf(o)) {
            const descriptor = Object.getOwnPropertyDescriptor(o, name);
            if (descriptor !== undefined) return descriptor;
        }
        for (let o = object; o !== null; o = Object.getPrototypeOf(o)) {
            const keys = Object.getOwnPropertyNames(o);
            for (let k = 0; k < keys.length; ++k) {
                if (keys[k].toLowerCase() === lowerName) {
                    const descriptor = Object.getOwnPropertyDescriptor(o, keys[k]);
                    if (descriptor !== undefined) return descriptor;
                }
            }
        }
        return undefined;
    }

    function candidateAt(position) {
        try {
            const item = collection.item;
            if (typeof item !== 'function') return null;
            return item.call(collection, position);
        } catch (e) {
            return null;
        }
    }

    // A property read first (a getter, or a value that is not a function),
    // else a method called without arguments.
    function readText(object) {
        if (object === null || (typeof object !== 'object' && typeof object !== 'function')) {
            return '';
        }
        try {
            const descriptor = find(object);
            if (descriptor === undefined) return '';
            let value;
            if (Object.prototype.hasOwnProperty.call(descriptor, 'get')) {
                if (descriptor.get === undefined) return '';
                value = descriptor.get.call(object);
            } else {
                value = descriptor.value;
                if (typeof value === 'function') value = value.call(object);
            }
            if (value === null || value === undefined) return '';
            return String(value);
        } catch (e) {
            return '';
        }
    }

    const positions = pickedJson ? JSON.parse(pickedJson) : null;
    const total = positions ? positions.length : count;
    const texts = new Array(total);
    for (let k = 0; k < total; ++k) {
        texts[k] = readText(candidateAt(positions ? positions[k] : first + k));
    }
    return JSON.stringify(texts);
})
