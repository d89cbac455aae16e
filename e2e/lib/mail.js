// Helpers for pages that drive the plug-in against nvmaild: plain requests to its inspection and
// control URLs, and upload items run to their end with every notification recorded.
(function (global) {
    "use strict";

    var origin = location.protocol + "//" + location.host;

    // A synchronous GET of a server URL; its text.
    function get(path) {
        var request = new XMLHttpRequest();
        request.open("GET", origin + path, false);
        request.send();
        if (request.status !== 200) {
            throw new Error("GET " + path + " answered " + request.status + ": " + request.responseText);
        }
        return request.responseText;
    }

    // The server's record of an attachment as an object (size, held, sha1, ...).
    function attachment(id) {
        var record = {};
        get("/admin/attachment?id=" + encodeURIComponent(id)).trim().split("&").forEach(function (pair) {
            var parts = pair.split("=");
            record[decodeURIComponent(parts[0])] = decodeURIComponent(parts[1] || "");
        });
        return record;
    }

    function uploadOptions(extra) {
        var options = { query: origin + "/upload/query", upload: origin + "/upload/block" };
        Object.keys(extra || {}).forEach(function (key) {
            options[key] = extra[key];
        });
        return options;
    }

    // Starts the item and resolves with every (state, percent, index) notification once the item
    // ends in state 4, 5 or 6 (or in 7 when stopped and nothing reports back).
    function run(item, notes, limitMs) {
        var done = e2e.callback("upload of " + item.name, function (state) {
            return state >= 4 && state <= 6;
        });
        notes.listeners.push(done.fn);
        item.start();
        return done.wait(limitMs || 60000).then(function () {
            return notes.calls;
        });
    }

    // A notification function recording every call, to which run() adds its listeners.
    function recorder() {
        var notes = { calls: [], listeners: [] };
        notes.fn = function (state, percent, index) {
            var note = [state, percent, parseInt(index, 10)];
            notes.calls.push(note);
            notes.listeners.forEach(function (listener) {
                listener.apply(null, note);
            });
        };
        return notes;
    }

    global.mail = { origin: origin, get: get, attachment: attachment, uploadOptions: uploadOptions,
                    run: run, recorder: recorder };
})(this);
