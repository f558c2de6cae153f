// The filter box: narrows the register blocks to those whose title, short
// name or offset holds the text, and to the fields whose name holds it; on
// a comparison, the box "only the registers that differ" narrows further.
(function () {
  "use strict";
  var box = document.getElementById("filter");
  var count = document.getElementById("filter-count");
  var onlyChanged = document.getElementById("only-changed");
  var regs = Array.prototype.slice.call(document.querySelectorAll(".reg"));
  var tables = Array.prototype.slice.call(document.querySelectorAll(".rtable"));
  var fields = regs.map(function (r) { return Array.prototype.slice.call(r.querySelectorAll(".f[data-k]")); });
  function apply() {
    var q = box.value.trim().toLowerCase();
    var only = !!(onlyChanged && onlyChanged.checked);
    var shown = 0;
    regs.forEach(function (r, i) {
      var whole = !q || r.getAttribute("data-k").indexOf(q) >= 0;
      var any = whole;
      fields[i].forEach(function (f) {
        var match = whole || f.getAttribute("data-k").indexOf(q) >= 0;
        f.hidden = !match;
        any = any || match;
      });
      if (only && !r.classList.contains("chg")) any = false;
      r.hidden = !any;
      if (any) shown++;
    });
    tables.forEach(function (t) { t.hidden = !t.querySelector(".reg:not([hidden])"); });
    count.textContent = q || only ? shown + " of " + regs.length + " registers" : regs.length + " registers";
  }
  box.addEventListener("input", apply);
  if (onlyChanged) onlyChanged.addEventListener("change", apply);
  document.addEventListener("keydown", function (e) {
    if (e.key === "/" && document.activeElement !== box) { e.preventDefault(); box.focus(); box.select(); }
    if (e.key === "Escape" && document.activeElement === box) { box.value = ""; apply(); }
  });
  apply();
})();
