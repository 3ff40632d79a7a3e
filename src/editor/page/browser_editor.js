// The editor window for browsers without Internet Explorer's editing control. Its menus and
// toolbars run the commands their data-command names; the editing happens in a frame in design
// mode through the browser's editing commands. The value to edit comes from the opener's
// launcher (or a modal dialog's argument) and only ever becomes the frame's content: the frame
// is sandboxed without scripts, so nothing in the value runs. Closing the window in any way
// hands the body back; a value nobody changed goes back exactly as it came.
(function () {
  'use strict';

  var BLOCK_FORMATS = [['Normal', 'p'], ['Formatted', 'pre'], ['Address', 'address'],
    ['Heading 1', 'h1'], ['Heading 2', 'h2'], ['Heading 3', 'h3'], ['Heading 4', 'h4'],
    ['Heading 5', 'h5'], ['Heading 6', 'h6']];
  var GRID = 10;
  var FONT_DISABLED = 'Advanced font formatting is disabled.';
  // Only in the frame's head, never in the content handed back.
  var EDITING_STYLE =
    'html.kvBorders table, html.kvBorders td, html.kvBorders th { outline: 1px dotted #808080; }\n' +
    'html.kvDetails body * { outline: 1px dashed #9fb4e0; }\n' +
    'html.kvDetails p::after, html.kvDetails div::after, html.kvDetails li::after,\n' +
    'html.kvDetails h1::after, html.kvDetails h2::after, html.kvDetails h3::after,\n' +
    'html.kvDetails h4::after, html.kvDetails h5::after, html.kvDetails h6::after,\n' +
    'html.kvDetails pre::after, html.kvDetails address::after { content: "\\00b6"; color: #a0a0a0; }\n';

  var frame = document.getElementById('tbContentElement');
  var paragraphStyle = document.getElementById('ParagraphStyle');
  var fontName = document.getElementById('FontName');
  var fontSize = document.getElementById('FontSize');
  var contextMenu = document.getElementById('ContextMenu');
  var dialogLayer = document.getElementById('DialogLayer');
  var dialogFrame = document.getElementById('DialogFrame');
  var fontDialog = document.getElementById('FontDialog');

  var doc = null;
  var original = '';
  var changed = false;   // edited since the window opened: the body is handed back
  var modified = false;  // edited since the last New File: it asks before clearing
  var handedBack = false;
  var dialogMode = false;
  var call = null;       // the opener's hand-over
  var openMenu = null;
  var dialogDone = null;
  var drag = null;
  var snapToGrid = false;
  var lastFind = '';
  var tableInfo = { NumRows: 3, NumCols: 3, TableAttrs: 'border="1" cellpadding="2" cellspacing="0" width="75%"', CellAttrs: '', Caption: '' };

  // ---- The value in and out ----

  function TakeValue() {
    if (window.dialogArguments !== undefined) {
      dialogMode = true;
      return window.dialogArguments == null ? '' : String(window.dialogArguments);
    }
    try {
      var calls = window.opener && window.opener.KorVexEditorCalls;
      if (calls && Object.prototype.hasOwnProperty.call(calls, window.name)) call = calls[window.name];
    } catch (e) {
      call = null;  // an opener of another site keeps its fields to itself
    }
    return call ? String(call.value) : '';
  }

  function ContentHTML() {
    return changed ? doc.body.innerHTML : original;
  }

  function HandBack() {
    if (handedBack || !doc) return;
    handedBack = true;
    var html = ContentHTML();
    if (dialogMode) {
      window.returnValue = html;
    } else if (call) {
      try {
        call.close(html);
      } catch (e) {
        // the opener went away: nobody is left to take the value
      }
    }
  }

  function Changed() {
    changed = true;
    modified = true;
  }

  // ---- Editing ----

  function Focus() {
    frame.contentWindow.focus();
  }

  function Exec(name, value) {
    Focus();
    var done = false;
    try {
      done = doc.execCommand(name, false, value === undefined ? null : value);
    } catch (e) {
      done = false;
    }
    UpdateState();
    return done;
  }

  function Selection() {
    var selection = doc.getSelection();
    return selection && selection.rangeCount ? selection.getRangeAt(0) : null;
  }

  function ElementOf(node) {
    return node && node.nodeType !== 1 ? node.parentNode : node;
  }

  function SelectionElement() {
    var range = Selection();
    return range ? ElementOf(range.startContainer) : null;
  }

  function Closest(node, test) {
    for (node = ElementOf(node); node && node !== doc.body && node !== doc.documentElement; node = node.parentNode) {
      if (test(node)) return node;
    }
    return null;
  }

  function HasSelection() {
    var range = Selection();
    return !!range && !range.collapsed;
  }

  function EscapeHtml(text) {
    return String(text).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;')
      .replace(/"/g, '&quot;').replace(/'/g, '&#39;');
  }

  function Enabled(name) {
    try {
      return doc.queryCommandEnabled(name);
    } catch (e) {
      return false;
    }
  }

  function State(name) {
    try {
      return doc.queryCommandState(name);
    } catch (e) {
      return false;
    }
  }

  function Value(name) {
    try {
      return String(doc.queryCommandValue(name) || '');
    } catch (e) {
      return '';
    }
  }

  function NewFile() {
    if (modified && !confirm('Clean Content?')) {
      Focus();
      return;
    }
    doc.body.innerHTML = '';
    changed = true;
    modified = false;
    Focus();
    UpdateState();
  }

  function SaveAndClose() {
    Focus();
    HandBack();
    window.close();
  }

  function Paste() {
    if (Exec('paste')) return;
    if (navigator.clipboard && navigator.clipboard.readText) {
      navigator.clipboard.readText().then(function (text) {
        Exec('insertText', text);
      }, PasteRefused);
    } else {
      PasteRefused();
    }
  }

  function PasteRefused() {
    alert('This browser lets a page paste only from the keyboard: press Ctrl+V.');
  }

  function Find() {
    var text = prompt('Find what:', lastFind);
    if (!text) return;
    lastFind = text;
    var win = frame.contentWindow;
    Focus();
    if (!(win.find && win.find(text, false, false, true, false, false, false))) alert('The text was not found.');
  }

  function Link() {
    var url = prompt('Link address:', 'http://');
    if (!url || url === 'http://') return;
    if (HasSelection()) {
      Exec('createLink', url);
    } else {
      Exec('insertHTML', '<a href="' + EscapeHtml(url) + '">' + EscapeHtml(url) + '</a>');
    }
  }

  // ---- Dialogs: the support files in a frame of this page ----

  function OpenDialog(file, args, width, height, done) {
    HideMenus();
    dialogDone = done;
    window.KorVexDialog = { arguments: args, close: CloseDialog };
    fontDialog.hidden = true;
    dialogFrame.hidden = false;
    dialogFrame.style.width = width + 'px';
    dialogFrame.style.height = height + 'px';
    dialogFrame.src = WorkingPath + file;
    dialogLayer.hidden = false;
  }

  function CloseDialog(result) {
    var done = dialogDone;
    dialogDone = null;
    window.KorVexDialog = null;
    dialogLayer.hidden = true;
    dialogFrame.removeAttribute('src');
    Focus();
    if (done) done(result);
  }

  function Hex(color) {
    var parts = /^rgba?\((\d+),\s*(\d+),\s*(\d+)/.exec(color);
    if (!parts) return color;
    return '#' + [parts[1], parts[2], parts[3]].map(function (n) {
      return ('0' + Number(n).toString(16)).slice(-2);
    }).join('').toUpperCase();
  }

  function ColorDialog(command) {
    if (!EnableFormatFont) {
      alert(FONT_DISABLED);
      return;
    }
    var current = Hex(Value(command === 'foreColor' ? 'foreColor' : 'backColor'));
    OpenDialog('selcolor.htm', current, 262, 172, function (color) {
      if (!color) return;
      if (command === 'foreColor') {
        Exec('foreColor', String(color));
      } else if (!Exec('hiliteColor', String(color))) {
        Exec('backColor', String(color));
      }
    });
  }

  function FontDialog() {
    if (!EnableFormatFont) {
      alert(FONT_DISABLED);
      return;
    }
    HideMenus();
    var form = fontDialog;
    form.textContent = '';
    function Field(caption, control) {
      var label = document.createElement('label');
      label.appendChild(document.createTextNode(caption + ' '));
      label.appendChild(control);
      form.appendChild(label);
      return control;
    }
    function Copy(select) {
      var copy = select.cloneNode(true);
      copy.removeAttribute('id');
      copy.value = select.value;
      return copy;
    }
    function Check(command) {
      var box = document.createElement('input');
      box.type = 'checkbox';
      box.checked = State(command);
      return box;
    }
    var name = fontName ? Field('Font:', Copy(fontName)) : null;
    var size = Field('Size:', Copy(fontSize));
    var bold = Field('Bold', Check('bold'));
    var italic = Field('Italic', Check('italic'));
    var underline = Field('Underline', Check('underline'));
    var buttons = document.createElement('div');
    buttons.className = 'tbDialogButtons';
    var ok = document.createElement('button');
    ok.type = 'submit';
    ok.textContent = 'OK';
    var cancel = document.createElement('button');
    cancel.type = 'button';
    cancel.textContent = 'Cancel';
    buttons.appendChild(ok);
    buttons.appendChild(document.createTextNode(' '));
    buttons.appendChild(cancel);
    form.appendChild(buttons);
    function Close() {
      dialogLayer.hidden = true;
      form.hidden = true;
      Focus();
    }
    cancel.onclick = Close;
    form.onsubmit = function (event) {
      event.preventDefault();
      Close();
      if (name && name.value) Exec('fontName', name.value);
      if (size.value) Exec('fontSize', size.value);
      [['bold', bold], ['italic', italic], ['underline', underline]].forEach(function (pair) {
        if (State(pair[0]) !== pair[1].checked) Exec(pair[0]);
      });
    };
    dialogFrame.hidden = true;
    form.hidden = false;
    dialogLayer.hidden = false;
    ok.focus();
  }

  // ---- Tables ----

  function CurrentCell() {
    return Closest(SelectionElement(), function (n) { return n.nodeName === 'TD' || n.nodeName === 'TH'; });
  }

  function TableOf(cell) {
    return Closest(cell, function (n) { return n.nodeName === 'TABLE'; });
  }

  function NewCell() {
    var cell = doc.createElement('td');
    cell.appendChild(doc.createElement('br'));
    return cell;
  }

  function Whole(value, low, high, fallback) {
    var n = parseInt(value, 10);
    return isNaN(n) ? fallback : Math.min(Math.max(n, low), high);
  }

  function InsertTable() {
    var args = { NumRows: tableInfo.NumRows, NumCols: tableInfo.NumCols, TableAttrs: tableInfo.TableAttrs,
      CellAttrs: tableInfo.CellAttrs, Caption: tableInfo.Caption };
    OpenDialog('instable.htm', args, 400, 142, function (result) {
      if (!result) return;
      tableInfo = {
        NumRows: Whole(result.NumRows, 1, 100, 1),
        NumCols: Whole(result.NumCols, 1, 100, 1),
        TableAttrs: String(result.TableAttrs || ''),
        CellAttrs: String(result.CellAttrs || ''),
        Caption: String(result.Caption || '')
      };
      var cell = '<td' + (tableInfo.CellAttrs ? ' ' + tableInfo.CellAttrs : '') + '>&nbsp;</td>';
      var html = '<table' + (tableInfo.TableAttrs ? ' ' + tableInfo.TableAttrs : '') + '>';
      if (tableInfo.Caption) html += '<caption>' + EscapeHtml(tableInfo.Caption) + '</caption>';
      html += '<tbody>';
      for (var r = 0; r < tableInfo.NumRows; r++) html += '<tr>' + new Array(tableInfo.NumCols + 1).join(cell) + '</tr>';
      html += '</tbody></table>';
      Exec('insertHTML', html);
    });
  }

  function RemoveIfEmpty(row) {
    var table = TableOf(row);
    if (!row.cells.length) row.parentNode.removeChild(row);
    if (table && !table.rows.length) table.parentNode.removeChild(table);
  }

  // Each table change is a change of the content: the browser's commands report theirs.
  function TableChange(change) {
    return function () {
      var cell = CurrentCell();
      if (!cell) return;
      change(cell, cell.parentNode, TableOf(cell));
      Changed();
      Focus();
      UpdateState();
    };
  }

  var InsertRow = TableChange(function (cell, row) {
    var added = doc.createElement('tr');
    var width = 0;
    for (var i = 0; i < row.cells.length; i++) width += row.cells[i].colSpan;
    for (i = 0; i < width; i++) added.appendChild(NewCell());
    row.parentNode.insertBefore(added, row);
  });

  var DeleteRows = TableChange(function (cell, row, table) {
    row.parentNode.removeChild(row);
    if (!table.rows.length) table.parentNode.removeChild(table);
  });

  var InsertColumn = TableChange(function (cell, row, table) {
    var index = cell.cellIndex;
    for (var i = 0; i < table.rows.length; i++) {
      var at = table.rows[i].cells[index] || null;
      table.rows[i].insertBefore(NewCell(), at);
    }
  });

  var DeleteColumns = TableChange(function (cell, row, table) {
    var index = cell.cellIndex;
    for (var i = table.rows.length - 1; i >= 0; i--) {
      var target = table.rows[i].cells[index];
      if (target) target.parentNode.removeChild(target);
      RemoveIfEmpty(table.rows[i]);
    }
  });

  var InsertCell = TableChange(function (cell, row) {
    row.insertBefore(NewCell(), cell);
  });

  // The cells the selection runs over in the current row, or the current cell alone.
  function SelectedCells(cell) {
    var range = Selection();
    var last = range && Closest(range.endContainer, function (n) { return n.nodeName === 'TD' || n.nodeName === 'TH'; });
    if (!last || last === cell || last.parentNode !== cell.parentNode || last.cellIndex < cell.cellIndex) return [cell];
    var cells = [];
    for (var i = cell.cellIndex; i <= last.cellIndex; i++) cells.push(cell.parentNode.cells[i]);
    return cells;
  }

  var DeleteCells = TableChange(function (cell, row) {
    SelectedCells(cell).forEach(function (target) { row.removeChild(target); });
    RemoveIfEmpty(row);
  });

  var MergeCells = TableChange(function (cell, row) {
    var cells = SelectedCells(cell);
    if (cells.length === 1 && cell.nextElementSibling) cells.push(cell.nextElementSibling);
    for (var i = 1; i < cells.length; i++) {
      cell.appendChild(doc.createTextNode(' '));
      while (cells[i].firstChild) cell.appendChild(cells[i].firstChild);
      cell.colSpan += cells[i].colSpan;
      row.removeChild(cells[i]);
    }
  });

  var SplitCell = TableChange(function (cell, row) {
    if (cell.colSpan < 2) return;
    cell.colSpan -= 1;
    row.insertBefore(NewCell(), cell.nextSibling);
  });

  // ---- Absolute positioning ----

  function IsAbsolute(node) {
    return node.style && node.style.position === 'absolute';
  }

  function AbsoluteElement() {
    return Closest(SelectionElement(), IsAbsolute);
  }

  // What Make Absolute moves: an element selected whole, an absolute one holding the
  // selection, or the block of the body holding it.
  function PositionTarget() {
    var range = Selection();
    if (!range) return null;
    if (range.startContainer === range.endContainer && range.startContainer.nodeType === 1 &&
        range.endOffset - range.startOffset === 1) {
      var only = range.startContainer.childNodes[range.startOffset];
      if (only.nodeType === 1 && only !== doc.body) return only;
    }
    var absolute = AbsoluteElement();
    if (absolute) return absolute;
    var node = ElementOf(range.startContainer);
    while (node && node.parentNode && node.parentNode !== doc.body) node = node.parentNode;
    return node && node !== doc.body && node.parentNode === doc.body ? node : null;
  }

  function MakeAbsolute() {
    var element = PositionTarget();
    if (!element) return;
    if (IsAbsolute(element)) {
      element.style.position = element.style.left = element.style.top = element.style.zIndex = '';
      if (!element.getAttribute('style')) element.removeAttribute('style');
    } else {
      var left = element.offsetLeft, top = element.offsetTop;
      element.style.position = 'absolute';
      element.style.left = left + 'px';
      element.style.top = top + 'px';
    }
    Changed();
    UpdateState();
  }

  function Lock() {
    var element = AbsoluteElement();
    if (!element) return;
    if (element.hasAttribute('data-locked')) {
      element.removeAttribute('data-locked');
    } else {
      element.setAttribute('data-locked', 'true');
    }
    Changed();
    UpdateState();
  }

  function ZIndex(element) {
    return parseInt(element.style.zIndex, 10) || 0;
  }

  // Above the text an absolute element has a z-index of 1 or more, below it -1 or less.
  function ZOrder(move) {
    return function () {
      var element = AbsoluteElement();
      if (!element) return;
      var others = Array.prototype.filter.call(doc.body.querySelectorAll('*'), function (n) {
        return n !== element && IsAbsolute(n);
      });
      var z = ZIndex(element);
      switch (move) {
        case 'front':
          z = Math.max.apply(null, others.map(ZIndex).concat([0, z])) + 1;
          break;
        case 'back':
          others.forEach(function (n) { if (ZIndex(n) >= 1) n.style.zIndex = ZIndex(n) + 1; });
          z = 1;
          break;
        case 'forward':
          z = z < 0 ? Math.min(z + 1, -1) : z + 1;
          break;
        case 'backward':
          z = z > 1 ? z - 1 : z < 0 ? z - 1 : z;
          break;
        case 'below':
          z = -Math.max(Math.abs(z), 1);
          break;
        default:
          z = Math.max(Math.abs(z), 1);
      }
      element.style.zIndex = String(z);
      Changed();
      UpdateState();
    };
  }

  function NearEdge(element, event) {
    var box = element.getBoundingClientRect();
    var x = event.clientX, y = event.clientY, margin = 5;
    return x >= box.left - 1 && x <= box.right + 1 && y >= box.top - 1 && y <= box.bottom + 1 &&
      (x - box.left < margin || box.right - x < margin || y - box.top < margin || box.bottom - y < margin);
  }

  // An absolute element that is not locked moves when taken by its edge.
  function Draggable(event) {
    var element = Closest(event.target, IsAbsolute);
    return element && !element.hasAttribute('data-locked') && NearEdge(element, event) ? element : null;
  }

  function DragStart(event) {
    HideMenus();
    var element = Draggable(event);
    if (!element) return;
    event.preventDefault();
    drag = { element: element, x: event.clientX, y: event.clientY, left: element.offsetLeft, top: element.offsetTop };
  }

  function DragMove(event) {
    if (!drag) {
      doc.documentElement.style.cursor = Draggable(event) ? 'move' : '';
      return;
    }
    var left = drag.left + event.clientX - drag.x;
    var top = drag.top + event.clientY - drag.y;
    if (snapToGrid) {
      left = Math.round(left / GRID) * GRID;
      top = Math.round(top / GRID) * GRID;
    }
    drag.element.style.left = left + 'px';
    drag.element.style.top = top + 'px';
  }

  function DragEnd() {
    if (!drag) return;
    drag = null;
    Changed();
  }

  function ToggleView(name) {
    return function () {
      doc.documentElement.classList.toggle(name);
      UpdateState();
    };
  }

  // ---- Commands and their states ----

  var TOGGLES = { DECMD_BOLD: 'bold', DECMD_ITALIC: 'italic', DECMD_UNDERLINE: 'underline',
    DECMD_JUSTIFYLEFT: 'justifyLeft', DECMD_JUSTIFYCENTER: 'justifyCenter', DECMD_JUSTIFYRIGHT: 'justifyRight',
    DECMD_ORDERLIST: 'insertOrderedList', DECMD_UNORDERLIST: 'insertUnorderedList' };
  var PLAIN = { DECMD_OUTDENT: 'outdent', DECMD_INDENT: 'indent', DECMD_UNDO: 'undo', DECMD_REDO: 'redo',
    DECMD_CUT: 'cut', DECMD_COPY: 'copy', DECMD_DELETE: 'delete', DECMD_SELECTALL: 'selectAll' };
  var ACTIONS = {
    MENU_FILE_NEW: NewFile,
    MENU_FILE_SAVE: SaveAndClose,
    DECMD_PASTE: Paste,
    DECMD_FINDTEXT: Find,
    DECMD_HYPERLINK: Link,
    DECMD_FONT: FontDialog,
    DECMD_SETFORECOLOR: function () { ColorDialog('foreColor'); },
    DECMD_SETBACKCOLOR: function () { ColorDialog('backColor'); },
    DECMD_INSERTTABLE: InsertTable,
    DECMD_INSERTROW: InsertRow,
    DECMD_DELETEROWS: DeleteRows,
    DECMD_INSERTCOL: InsertColumn,
    DECMD_DELETECOLS: DeleteColumns,
    DECMD_INSERTCELL: InsertCell,
    DECMD_DELETECELLS: DeleteCells,
    DECMD_MERGECELLS: MergeCells,
    DECMD_SPLITCELL: SplitCell,
    DECMD_MAKE_ABSOLUTE: MakeAbsolute,
    DECMD_LOCK_ELEMENT: Lock,
    DECMD_BRING_TO_FRONT: ZOrder('front'),
    DECMD_SEND_TO_BACK: ZOrder('back'),
    DECMD_BRING_FORWARD: ZOrder('forward'),
    DECMD_SEND_BACKWARD: ZOrder('backward'),
    DECMD_SEND_BELOW_TEXT: ZOrder('below'),
    DECMD_BRING_ABOVE_TEXT: ZOrder('above'),
    ShowBorders: ToggleView('kvBorders'),
    ShowDetails: ToggleView('kvDetails'),
    SnapToGrid: function () { snapToGrid = !snapToGrid; UpdateState(); }
  };

  function Run(key) {
    HideMenus();
    if (!doc) return;
    if (key.indexOf('VIEW_') === 0) {
      var bar = document.getElementById(key.substring(5));
      if (bar) bar.hidden = !bar.hidden;
    } else if (TOGGLES[key] || PLAIN[key]) {
      Exec(TOGGLES[key] || PLAIN[key]);
    } else if (ACTIONS.hasOwnProperty(key)) {
      ACTIONS[key]();
    }
  }

  // 'gray', 'checked' or '' for a command.
  function Status(key) {
    if (key.indexOf('VIEW_') === 0) {
      var bar = document.getElementById(key.substring(5));
      return bar && !bar.hidden ? 'checked' : '';
    }
    if (TOGGLES[key]) return !Enabled(TOGGLES[key]) ? 'gray' : State(TOGGLES[key]) ? 'checked' : '';
    var cell, element;
    switch (key) {
      case 'DECMD_CUT':
      case 'DECMD_COPY':
      case 'DECMD_DELETE':
        return HasSelection() ? '' : 'gray';
      case 'DECMD_UNDO':
      case 'DECMD_REDO':
        return Enabled(PLAIN[key]) ? '' : 'gray';
      case 'DECMD_INSERTROW':
      case 'DECMD_DELETEROWS':
      case 'DECMD_INSERTCOL':
      case 'DECMD_DELETECOLS':
      case 'DECMD_INSERTCELL':
      case 'DECMD_DELETECELLS':
        return CurrentCell() ? '' : 'gray';
      case 'DECMD_MERGECELLS':
        cell = CurrentCell();
        return cell && (SelectedCells(cell).length > 1 || cell.nextElementSibling) ? '' : 'gray';
      case 'DECMD_SPLITCELL':
        cell = CurrentCell();
        return cell && cell.colSpan > 1 ? '' : 'gray';
      case 'DECMD_MAKE_ABSOLUTE':
        element = PositionTarget();
        return !element ? 'gray' : IsAbsolute(element) ? 'checked' : '';
      case 'DECMD_LOCK_ELEMENT':
        element = AbsoluteElement();
        return !element ? 'gray' : element.hasAttribute('data-locked') ? 'checked' : '';
      case 'DECMD_BRING_TO_FRONT':
      case 'DECMD_SEND_TO_BACK':
      case 'DECMD_BRING_FORWARD':
      case 'DECMD_SEND_BACKWARD':
      case 'DECMD_SEND_BELOW_TEXT':
      case 'DECMD_BRING_ABOVE_TEXT':
        return AbsoluteElement() ? '' : 'gray';
      case 'ShowBorders':
        return doc.documentElement.classList.contains('kvBorders') ? 'checked' : '';
      case 'ShowDetails':
        return doc.documentElement.classList.contains('kvDetails') ? 'checked' : '';
      case 'SnapToGrid':
        return snapToGrid ? 'checked' : '';
      default:
        return '';
    }
  }

  function ShowStatus(element, status) {
    element.classList.toggle('tbGray', status === 'gray');
    element.classList.toggle('tbLatched', status === 'checked');
    if (element.classList.contains('tbMenuItem')) {
      element.setAttribute('aria-disabled', status === 'gray' ? 'true' : 'false');
    } else {
      element.setAttribute('aria-pressed', status === 'checked' ? 'true' : 'false');
    }
  }

  function SelectValue(select, value) {
    var wanted = String(value).replace(/^["']|["']$/g, '').toLowerCase();
    select.selectedIndex = -1;
    for (var i = 0; i < select.options.length; i++) {
      if (select.options[i].value.toLowerCase() === wanted) {
        select.selectedIndex = i;
        return;
      }
    }
  }

  function UpdateState() {
    if (!doc) return;
    var buttons = document.querySelectorAll('.tbToolbar .tbButton[data-command]');
    for (var i = 0; i < buttons.length; i++) ShowStatus(buttons[i], Status(buttons[i].getAttribute('data-command')));
    SelectValue(paragraphStyle, Value('formatBlock'));
    if (fontName) SelectValue(fontName, Value('fontName').split(',')[0]);
    SelectValue(fontSize, Value('fontSize'));
  }

  // ---- Menus ----

  function ShowItems(list) {
    var items = list.querySelectorAll('[data-command]');
    for (var i = 0; i < items.length; i++) ShowStatus(items[i], Status(items[i].getAttribute('data-command')));
  }

  function OpenMenu(menu) {
    HideMenus();
    var list = menu.querySelector('.tbSubmenu');
    ShowItems(list);
    list.hidden = false;
    menu.classList.add('tbMenuOpen');
    openMenu = menu;
  }

  function HideMenus() {
    if (openMenu) {
      openMenu.querySelector('.tbSubmenu').hidden = true;
      openMenu.classList.remove('tbMenuOpen');
      openMenu = null;
    }
    contextMenu.hidden = true;
  }

  function Caption(selector) {
    var element = document.querySelector(selector);
    return element ? element.getAttribute('title') || element.textContent : '';
  }

  function AddContextItem(key, caption) {
    var item = document.createElement('button');
    item.type = 'button';
    item.className = 'tbMenuItem';
    item.setAttribute('role', 'menuitem');
    item.setAttribute('data-command', key);
    item.textContent = caption;
    contextMenu.appendChild(item);
  }

  function AddContextSeparator() {
    var line = document.createElement('hr');
    line.className = 'tbMenuSeparator';
    contextMenu.appendChild(line);
  }

  // Cut, Copy and Paste; the table commands inside a table; the z-order commands where absolute
  // positioning is possible.
  function ShowContextMenu(event) {
    event.preventDefault();
    HideMenus();
    contextMenu.textContent = '';
    ['DECMD_CUT', 'DECMD_COPY', 'DECMD_PASTE'].forEach(function (key) {
      AddContextItem(key, Caption('#MENU_EDIT + .tbSubmenu [data-command="' + key + '"]'));
    });
    var i, items;
    if (CurrentCell()) {
      AddContextSeparator();
      items = document.querySelectorAll('#TableToolbar [data-command]');
      for (i = 0; i < items.length; i++) {
        var key = items[i].getAttribute('data-command');
        if (key !== 'DECMD_INSERTTABLE') AddContextItem(key, items[i].getAttribute('title'));
      }
    }
    if (PositionTarget()) {
      AddContextSeparator();
      items = document.querySelectorAll('#ZOrder + .tbSubmenu [data-command]');
      for (i = 0; i < items.length; i++) AddContextItem(items[i].getAttribute('data-command'), items[i].textContent);
    }
    ShowItems(contextMenu);
    var box = frame.getBoundingClientRect();
    contextMenu.style.left = Math.min(box.left + event.clientX, window.innerWidth - 180) + 'px';
    contextMenu.style.top = Math.min(box.top + event.clientY, window.innerHeight - contextMenu.childNodes.length * 22) + 'px';
    contextMenu.hidden = false;
  }

  document.addEventListener('mousedown', function (event) {
    // The toolbar keeps the frame's selection: its buttons never take the focus.
    if (event.target.closest('button')) event.preventDefault();
  });

  document.addEventListener('click', function (event) {
    var title = event.target.closest('.tbMenuTitle');
    if (title) {
      if (openMenu === title.parentNode) {
        HideMenus();
      } else {
        OpenMenu(title.parentNode);
      }
      return;
    }
    var command = event.target.closest('[data-command]');
    if (command) {
      if (!command.classList.contains('tbGray') || !command.classList.contains('tbMenuItem')) Run(command.getAttribute('data-command'));
      return;
    }
    if (!event.target.closest('.tbSubmenu')) HideMenus();
  });

  document.addEventListener('mouseover', function (event) {
    var title = openMenu && event.target.closest('.tbMenuBar .tbMenuTitle');
    if (title && title.parentNode !== openMenu) OpenMenu(title.parentNode);
  });

  document.addEventListener('keydown', function (event) {
    if (event.key !== 'Escape') return;
    if (!dialogLayer.hidden && !fontDialog.hidden) {
      dialogLayer.hidden = fontDialog.hidden = true;
      Focus();
    } else if (!dialogLayer.hidden) {
      CloseDialog(null);
    }
    HideMenus();
  });

  paragraphStyle.addEventListener('change', function () {
    if (paragraphStyle.value) Exec('formatBlock', '<' + paragraphStyle.value + '>');
  });
  if (fontName) {
    fontName.addEventListener('change', function () {
      if (fontName.value) Exec('fontName', fontName.value);
    });
  }
  fontSize.addEventListener('change', function () {
    if (fontSize.value) Exec('fontSize', fontSize.value);
  });

  // ---- Start ----

  function Start() {
    original = TakeValue();
    doc = frame.contentDocument;
    doc.open();
    doc.write('<!DOCTYPE html><html><head><meta charset="utf-8"><style>' + EDITING_STYLE + '</style></head><body></body></html>');
    doc.close();
    doc.body.innerHTML = original;
    doc.designMode = 'on';
    try {
      doc.execCommand('styleWithCSS', false, false);
      doc.execCommand('defaultParagraphSeparator', false, 'p');
    } catch (e) {
      // older engines write tags already
    }
    doc.addEventListener('input', Changed);
    doc.addEventListener('selectionchange', UpdateState);
    doc.addEventListener('keyup', UpdateState);
    doc.addEventListener('mouseup', UpdateState);
    doc.addEventListener('contextmenu', ShowContextMenu);
    doc.addEventListener('mousedown', DragStart);
    doc.addEventListener('mousemove', DragMove);
    doc.addEventListener('mouseup', DragEnd);
    BLOCK_FORMATS.forEach(function (format) {
      paragraphStyle.appendChild(new Option(format[0], format[1]));
    });
    window.addEventListener('pagehide', HandBack);
    UpdateState();
    Focus();
  }

  // After the load, so no late load of the frame's first blank page can replace what is
  // written into it.
  window.addEventListener('load', Start);
})();
