// The demo page: the plug-in's version, live checksums of typed text, attachments (chosen files or
// a screenshot) uploaded to the nvmaild it is served by, a mail archive downloaded from it and
// unpacked into a folder the user picks, each with a progress bar, and mail: a short mail composed
// with a chosen attachment, shown as the MIME text it became, and a sample mail taken apart. With
// ?auto=1 it types a text, attaches and composes with what the file dialog offers, takes a
// screenshot and fetches the archive by itself, then ends the run (the headless demo).
(function () {
    "use strict";

    var plugin = document.getElementById("plugin");
    var auto = /[?&]auto=1/.test(location.search);
    var origin = location.protocol + "//" + location.host;
    var STATES = ["idle", "checking", "querying", "uploading", "verified", "finished", "failed", "stopped"];
    var DOWNLOAD_STATES = ["queued", "unpacking", "", "receiving", "done", "", "failed", "stopped"];
    var ARCHIVE = "mail-archive.zip";

    function checksum(selector, text) {
        var crc = plugin.mycrc(selector);
        crc.update_str(text);
        crc.finish();
        return crc.result();
    }

    function showChecksums() {
        var text = document.getElementById("text").value;
        document.getElementById("crc32").textContent = checksum(0, text);
        document.getElementById("md5").textContent = checksum(1, text);
        document.getElementById("sha1").textContent = checksum(2, text);
        document.getElementById("nvx").textContent = checksum(3, text);
    }

    // A progress bar in `list`; the function that shows each (state, percent) of the item.
    function addRow(list, item, title, states) {
        var row = document.createElement("div");
        row.className = "upload";
        row.innerHTML = '<span class="bar"><span class="fill"></span></span><span class="label"></span>';
        document.getElementById(list).appendChild(row);
        return function (state, percent) {
            row.querySelector(".fill").style.width = (state === 4 || state === 5 ? 100 : percent) + "%";
            row.className = "upload" + (state === 4 || state === 5 ? " done" : state === 6 ? " failed" : "");
            var label = title() + ": " + states[state];
            if (state === 1 || state === 3) {
                label += " " + percent + "%";
            }
            if (state === 6) {
                label += ": " + item.lastErrorNum + " " + item.lastErrorStr;
            }
            row.querySelector(".label").textContent = label;
        };
    }

    // Starts the upload items; resolves with their final states when all have ended.
    function startUploads(manager, indices) {
        return Promise.all(indices.map(function (index) {
            var item = manager.item(parseInt(index, 10));
            var name = item.name.split("/").pop();
            var show = addRow("uploads", item, function () {
                return name + " (" + item.size_str + " bytes)";
            }, STATES);
            return new Promise(function (resolve) {
                item.init({ notify: function (state, percent) {
                    show(state, percent);
                    if (state >= 4 && state <= 6) {
                        resolve(state);
                    }
                } });
                show(0, 0);
                item.start();
            });
        }));
    }

    function attach() {
        var manager = plugin.upload();
        return startUploads(manager, manager.browser());
    }

    // The user drags a rectangle (or clicks for the whole screen, or presses Escape); the picture
    // is uploaded like any attachment. Resolves with the upload's final state, or null when
    // cancelled.
    function screenshot() {
        var capture = plugin.screenCapture();
        if (!capture.capture()) {
            return Promise.resolve(null);
        }
        return startUploads(plugin.upload(), capture.upload()).then(function (states) {
            return states[0];
        });
    }

    // The MIME text with long Base64 runs shortened, so that a large attachment stays readable.
    function shortened(text) {
        return text.replace(/((?:[A-Za-z0-9+\/=]{76}\r\n){3})(?:[A-Za-z0-9+\/=]{76}\r\n)+/g,
                            function (kept, first) {
                                return first + "…\r\n";
                            });
    }

    // A short mail with the (first) file chosen in the dialog; true when it was attached.
    function composeMail() {
        var manager = plugin.upload();
        var indices = manager.browser();
        if (indices.length === 0) {
            return false;
        }
        var mime = plugin.mime();
        mime.setBaseMailInfo("you@example.com", "friend@example.com", "", "", "A file for you",
                             "UTF-8");
        mime.setPlainTestWithEncoding("Hello,\r\nthe file is attached.\r\n", "UTF-8");
        mime.addAttachment(manager.item(parseInt(indices[0], 10)).name, "UTF-8");
        var attached = mime.endofAddAttachments("Attach this file?", "");
        var text = mime.getMailMessage;
        document.getElementById("composed").textContent = shortened(text) + "\n(" + text.length +
            " bytes" + (attached ? "" : "; not attached: " + (mime.getLastErrorMessage || "declined")) +
            ")";
        return attached;
    }

    function showSampleMail() {
        var request = new XMLHttpRequest();
        request.open("GET", origin + "/sample-mail.eml", false);
        request.send();
        var mime = plugin.mime();
        mime.parseMessage(request.responseText);
        var list = document.getElementById("received");
        var head = document.createElement("p");
        head.textContent = "Received from " + mime.getFrom + ": \u201c" + mime.getSubject +
            "\u201d, " + mime.getAttachmentCount + " parts:";
        list.appendChild(head);
        for (var i = 0; i < mime.getAttachmentCount; ++i) {
            var row = document.createElement("div");
            row.textContent = "\u00a0\u00a0" + i + ". " + mime.getAttachmentName(i);
            list.appendChild(row);
        }
    }

    // The archive's entries as the server lists them beside it.
    function archiveEntries() {
        var request = new XMLHttpRequest();
        request.open("GET", origin + "/files/mail-archive.json", false);
        request.send();
        return request.status === 200 ? JSON.parse(request.responseText) : [];
    }

    // Downloads the archive into a chosen folder (the plug-in's own when cancelled) and unpacks
    // it; resolves with the item's last state.
    function fetchArchive() {
        var manager = plugin.download();
        var folder = parseInt(manager.createFolder("Save the mail archive"), 10);
        return new Promise(function (resolve) {
            var item;
            var show;
            var number = manager.add({ url: origin + "/files/" + ARCHIVE, name: ARCHIVE, folder: folder,
                                       unzip: true, charset: "utf-8", notify: function (state, percent) {
                show(state, percent);
                if (state === 4 || state === 6) {
                    resolve(state);
                }
                if (state === 4) {
                    archiveEntries().forEach(function (entry) {
                        var line = document.createElement("li");
                        line.textContent = entry.name + " (" + entry.size + " bytes)";
                        document.getElementById("files").appendChild(line);
                    });
                }
            } });
            item = manager.item(parseInt(number, 10));
            show = addRow("downloads", item, function () {
                return ARCHIVE + " (" + item.downloadSize_str + " bytes)";
            }, DOWNLOAD_STATES);
            show(0, 0);
            item.start();
        });
    }

    window.pluginReady = function (root) {
        document.getElementById("version").textContent = root.version;
        plugin.upload().init({ query: origin + "/upload/query", upload: origin + "/upload/block",
                               compress: 6 });
        var input = document.getElementById("text");
        input.addEventListener("input", showChecksums);
        showChecksums();
        var button = document.getElementById("attach");
        button.disabled = false;
        button.addEventListener("click", attach);
        var compose = document.getElementById("compose");
        compose.disabled = false;
        compose.addEventListener("click", composeMail);
        showSampleMail();
        var shoot = document.getElementById("screenshot");
        shoot.disabled = !plugin.screenCapture().supportCapture;
        shoot.addEventListener("click", screenshot);
        var archiveButton = document.getElementById("archive");
        archiveButton.disabled = false;
        archiveButton.addEventListener("click", fetchArchive);
        if (auto) {
            input.value = "Hello from NVPlugin";
            showChecksums();
            attach().then(function (states) {
                console.log("demo: uploads ended in states " + states.join(", "));
                var composed = composeMail();
                console.log("demo: mail composed " + composed + ", sample mail has " +
                            document.querySelectorAll("#received div").length + " parts");
                states.push(composed ? 5 : 6);
                console.log("demo: checksums " + document.getElementById("crc32").textContent + " " +
                            document.getElementById("sha1").textContent);
                // demo.sh drags a rectangle over the capture overlay.
                return screenshot().then(function (state) {
                    console.log("demo: screenshot upload ended in state " + state);
                    states.push(state);
                    return fetchArchive();
                }).then(function (state) {
                    console.log("demo: the archive download ended in state " + state);
                    return states.concat([state]);
                });
            }).then(function (states) {
                var ok = states.every(function (state) { return state === 4 || state === 5; });
                setTimeout(function () { nvhost.exit(ok ? 0 : 1); }, 300);
            });
        }
    };
})();
