// The demo page: the plug-in's version, live checksums of typed text, attachments uploaded to the
// nvmaild it is served by and a mail archive downloaded from it and unpacked into a folder the user
// picks, each with a progress bar. With ?auto=1 it types a text, attaches what the file dialog
// offers by itself and fetches the archive, then ends the run (the headless demo).
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

    // Starts every chosen file; resolves when all have ended.
    function attach() {
        var manager = plugin.upload();
        var indices = manager.browser();
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
        var archiveButton = document.getElementById("archive");
        archiveButton.disabled = false;
        archiveButton.addEventListener("click", fetchArchive);
        if (auto) {
            input.value = "Hello from NVPlugin";
            showChecksums();
            attach().then(function (states) {
                console.log("demo: uploads ended in states " + states.join(", "));
                console.log("demo: checksums " + document.getElementById("crc32").textContent + " " +
                            document.getElementById("sha1").textContent);
                return fetchArchive().then(function (state) {
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
