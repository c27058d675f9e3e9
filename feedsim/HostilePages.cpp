#include "feedsim/HostilePages.h"

#include <array>
#include <string>

namespace feedsim {

namespace {

constexpr const char* kHtml = "text/html; charset=utf-8";

constexpr const char* kTopPanel = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>hostile: round 0</title>
<style>html,body{margin:0;height:100%;font-family:sans-serif;font-size:13px}
#promo{position:fixed;left:0;top:0;right:0;bottom:0;display:block;background:#fee;color:#a00}
.hidden{display:none}</style></head><body>
<a id="promo" href="/promo.html?clicked" target="_blank">恶意页面 / A hostile page: every click
opens windows.</a>
<a id="file" class="hidden" href="file:///etc/passwd">file</a>
<a id="scheme" class="hidden" href="kestrum-hostile:link">scheme</a>
<a id="download" class="hidden" href="/add/download.bin" download="download.bin">download</a>
<script>
const promo = document.getElementById('promo');
promo.addEventListener('click', () => {
  for (let i = 0; i < 50; ++i) window.open('/promo.html?loop' + i, '_blank');
});
let round = 0;
function attack() {
  ++round;
  alert('hostile');
  confirm('hostile?');
  prompt('hostile?', '');
  for (let i = 0; i < 50; ++i) window.open('/promo.html?script' + i, '_blank');
  promo.click();
  document.getElementById('file').click();
  document.getElementById('scheme').click();
  document.getElementById('download').click();
  const blob = document.createElement('a');
  blob.href = URL.createObjectURL(new Blob(['made by a script'], {type: 'text/plain'}));
  blob.download = 'blob.txt';
  document.body.appendChild(blob);
  blob.click();
  blob.remove();
  const attachment = document.createElement('iframe');
  attachment.className = 'hidden';
  attachment.src = '/add/attachment.txt?' + round;
  document.body.appendChild(attachment);
  setTimeout(() => { location.href = 'file:///etc/passwd'; }, 100);
  setTimeout(() => { location.href = 'kestrum-hostile:navigation'; }, 200);
  setTimeout(() => {
    attachment.remove();
    document.title = round < 6 ? 'hostile: round ' + round : 'hostile: done';
    if (round < 6) attack();
  }, 500);
}
window.addEventListener('load', attack);
</script>
</body></html>
)";

constexpr const char* kRightPanel = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>permissions: asking</title></head><body>
<p>恶意页面 / A hostile page: it asks for every permission.</p>
<textarea id="paste"></textarea>
<script>
const results = {};
const names = ['geo', 'notify', 'media', 'clipboard', 'paste'];
function report(name, value) {
  results[name] = value;
  if (names.every((n) => n in results))
    document.title = 'permissions ' + names.map((n) => n + '=' + results[n]).join(' ');
}
navigator.geolocation.getCurrentPosition(() => report('geo', 'granted'),
    (error) => report('geo', error.code === error.PERMISSION_DENIED ? 'denied' : 'error' + error.code));
Notification.requestPermission().then((answer) => report('notify', answer));
navigator.mediaDevices.getUserMedia({audio: true, video: true})
    .then(() => report('media', 'granted'), (error) => report('media', error.name));
navigator.permissions.query({name: 'clipboard-read'})
    .then((status) => report('clipboard', status.state), (error) => report('clipboard', error.name));
document.getElementById('paste').focus();
report('paste', document.execCommand('paste') ? 'done' : 'refused');
navigator.clipboard.readText().catch(() => {});
</script>
</body></html>
)";

constexpr const char* kHang = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>hang: soon</title></head><body>
<p>恶意页面 / A hostile page: its script never ends.</p>
<script>
setTimeout(() => {
  document.title = 'hang: now';
  setTimeout(() => { for (;;) {} }, 100);
}, 500);
</script>
</body></html>
)";

constexpr std::array<std::string_view, 5> kHangingPanels{"/add/ptadd.html", "/add/vnadd99.html",
                                                         "/add/vnaddxc.html", "/add/vnaddhc.html",
                                                         "/add/vnaddqy.html"};

} // namespace

Page hostilePage(std::string_view path) {
    if (path == "/add/vnadd1.html") {
        return {kTopPanel, kHtml};
    }
    if (path == "/add/vnadd3.html") {
        return {kRightPanel, kHtml};
    }
    for (std::string_view hanging : kHangingPanels) {
        if (path == hanging) {
            return {kHang, kHtml};
        }
    }
    if (path == "/add/download.bin") {
        return {"A download that should never land.\n", "application/octet-stream"};
    }
    if (path == "/add/attachment.txt") {
        return {"An attachment that should never land.\n", "text/plain; charset=utf-8",
                "attachment; filename=\"attachment.txt\""};
    }
    return {};
}

} // namespace feedsim
