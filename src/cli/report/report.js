document.querySelectorAll('table.sortable th').forEach(function(th) {
  th.addEventListener('click', function() {
    var column = th.cellIndex;
    var body = th.closest('table').tBodies[0];
    var rows = Array.prototype.slice.call(body.rows);
    var up = th.dataset.up !== '1'; th.dataset.up = up ? '1' : '0';
    function key(row) { var c = row.cells[column]; return c.dataset.sort !== undefined ? c.dataset.sort : c.textContent; }
    rows.sort(function(a, b) {
      var x = key(a), y = key(b), nx = parseFloat(x), ny = parseFloat(y);
      var r = (!isNaN(nx) && !isNaN(ny)) ? nx - ny : x.localeCompare(y);
      return up ? r : -r;
    });
    rows.forEach(function(row) { body.appendChild(row); });
  });
});
