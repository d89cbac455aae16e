// Test library for the e2e pages. A page includes this file, declares cases with e2e.test and the
// cases run one after another once the page has loaded. Each case may return a promise (QtWebKit
// has promises but no async functions). One line per case, "E2E PASS <name>" or
// "E2E FAIL <name>: <message>", goes to the console, then the summary line that ends the run in
// every browser; nvhost also takes the verdict as its exit code.
(function (global) {
    "use strict";

    var cases = [];
    var pageErrors = [];
    var settings = { caseTimeoutMs: 30000 };

    function Failure(message) {
        this.name = "Failure";
        this.message = message;
    }
    Failure.prototype = Object.create(Error.prototype);

    // A value as a reader wants to see it in a failure message: strings quoted, undefined named.
    function show(value) {
        if (value === undefined) {
            return "undefined";
        }
        if (typeof value === "function") {
            return "function " + (value.name || "(anonymous)");
        }
        if (typeof value === "number" && !isFinite(value)) {
            return String(value);
        }
        try {
            var text = JSON.stringify(value);
            return text === undefined ? String(value) : text;
        } catch (e) {
            return String(value);
        }
    }

    function prefix(what) {
        return what ? what + ": " : "";
    }

    function fail(message) {
        throw new Failure(message);
    }

    // The first place where two values differ, as "path: expected ... but got ...", or null.
    function difference(actual, expected, path) {
        if (actual === expected || (actual !== actual && expected !== expected)) {
            return null;
        }
        var bothObjects = actual !== null && expected !== null && typeof actual === "object" &&
            typeof expected === "object";
        if (!bothObjects || Array.isArray(actual) !== Array.isArray(expected)) {
            return (path ? "at " + path + " " : "") + "expected " + show(expected) + " but got " +
                show(actual);
        }
        if (Array.isArray(actual) && actual.length !== expected.length) {
            return "at " + (path || "top") + " expected length " + expected.length +
                " but got length " + actual.length + " (" + show(actual) + ")";
        }
        var keys = Object.keys(expected);
        Object.keys(actual).forEach(function (key) {
            if (keys.indexOf(key) < 0) {
                keys.push(key);
            }
        });
        for (var i = 0; i < keys.length; i++) {
            var key = keys[i];
            var step = Array.isArray(expected) ? "[" + key + "]" : (path ? "." : "") + key;
            var found = difference(actual[key], expected[key], path + step);
            if (found) {
                return found;
            }
        }
        return null;
    }

    var assert = {
        ok: function (value, what) {
            if (!value) {
                fail(prefix(what) + "expected a true value but got " + show(value));
            }
        },
        equal: function (actual, expected, what) {
            if (actual !== expected) {
                fail(prefix(what) + "expected " + show(expected) + " but got " + show(actual));
            }
        },
        deepEqual: function (actual, expected, what) {
            var found = difference(actual, expected, "");
            if (found) {
                fail(prefix(what) + found);
            }
        },
        match: function (actual, pattern, what) {
            if (typeof actual !== "string" || !pattern.test(actual)) {
                fail(prefix(what) + "expected a string matching " + pattern + " but got " +
                    show(actual));
            }
        }
    };

    function withLimit(promise, limitMs, describe) {
        return new Promise(function (resolve, reject) {
            var timer = setTimeout(function () {
                reject(new Failure(describe()));
            }, limitMs);
            promise.then(function (value) {
                clearTimeout(timer);
                resolve(value);
            }, function (error) {
                clearTimeout(timer);
                reject(error);
            });
        });
    }

    // A function to hand to code that calls back (a plug-in, a timer). It records every call's
    // arguments; wait(limitMs) resolves with the arguments of the first call for which `until`
    // returns true (any call when `until` is left out), or fails the case after limitMs.
    function callback(name, until) {
        var calls = [];
        var hit = null;
        var problem = null;
        var wakeUps = [];
        function settle() {
            wakeUps.splice(0).forEach(function (wake) {
                wake();
            });
        }
        var fn = function () {
            var args = Array.prototype.slice.call(arguments);
            calls.push(args);
            if (hit || problem) {
                return;
            }
            try {
                if (!until || until.apply(null, args)) {
                    hit = args;
                }
            } catch (e) {
                problem = e;
            }
            settle();
        };
        function wait(limitMs) {
            var waited = new Promise(function (resolve, reject) {
                function check() {
                    if (problem) {
                        reject(problem);
                    } else if (hit) {
                        resolve(hit);
                    } else {
                        wakeUps.push(check);
                    }
                }
                check();
            });
            return withLimit(waited, limitMs, function () {
                return "timed out after " + limitMs + " ms waiting for " + name + " (" +
                    calls.length + " calls" +
                    (calls.length ? ", last with " + show(calls[calls.length - 1]) : "") + ")";
            });
        }
        return { fn: fn, calls: calls, wait: wait };
    }

    function delay(ms) {
        return new Promise(function (resolve) {
            setTimeout(resolve, ms);
        });
    }

    function test(name, fn, options) {
        cases.push({ name: name, fn: fn, timeoutMs: (options && options.timeoutMs) ||
            settings.caseTimeoutMs });
    }

    function configure(options) {
        if (options.caseTimeoutMs) {
            settings.caseTimeoutMs = options.caseTimeoutMs;
        }
    }

    function describeError(error) {
        if (error instanceof Failure) {
            return error.message;
        }
        if (error instanceof Error) {
            return "threw " + error.name + ": " + error.message;
        }
        return "threw " + show(error);
    }

    function runCase(entry) {
        var outcome = new Promise(function (resolve) {
            resolve(entry.fn(assert));
        });
        return withLimit(outcome, entry.timeoutMs, function () {
            return "did not finish within " + entry.timeoutMs + " ms";
        }).then(function () {
            return null;
        }, describeError);
    }

    function finish(failed, passed) {
        console.log("E2E SUMMARY " + passed + " passed, " + failed + " failed");
        if (global.nvhost) {
            global.nvhost.exit(failed ? 1 : 0);
        }
    }

    function runAll() {
        var passed = 0;
        var failed = 0;
        if (!cases.length) {
            pageErrors.push("the page declared no test cases");
        }
        var chain = Promise.resolve();
        cases.forEach(function (entry) {
            chain = chain.then(function () {
                return runCase(entry);
            }).then(function (problem) {
                if (problem === null) {
                    passed++;
                    console.log("E2E PASS " + entry.name);
                } else {
                    failed++;
                    console.log("E2E FAIL " + entry.name + ": " + problem);
                }
            });
        });
        chain.then(function () {
            // Errors outside any case (a broken page script, a late callback that threw) fail the
            // run too: they mean the cases did not test what the page meant.
            pageErrors.forEach(function (message) {
                failed++;
                console.log("E2E FAIL (page): " + message);
            });
            finish(failed, passed);
        });
    }

    global.addEventListener("error", function (event) {
        pageErrors.push(event.message + " (" + event.filename + ":" + event.lineno + ")");
    });
    global.addEventListener("load", function () {
        // After the load handlers the page itself registered.
        setTimeout(runAll, 0);
    });

    global.e2e = {
        test: test,
        assert: assert,
        callback: callback,
        delay: delay,
        configure: configure
    };
})(window);
