// Plays a course exported for the web. The documents KOA wrote for it are in
// course.js; this script shows them in frames laid out as the skin's
// framesets, and does with the pages' commands what KOA's viewer does. The
// frames are documents of this page's own (srcdoc), so the pages reach each
// other even where every file opened from disk is a stranger to the next.
(function () {
    'use strict';

    var course = window.KOA_COURSE;
    var NoPageFound = 'The page this link referres to cannot be found.';
    var NoFileFound = 'The file this link referres to cannot be found.';
    var KeywordNotFound = 'Keyword not found';
    var box = document.getElementById('koa-frames');
    var ended = document.getElementById('koa-ended');
    var state = {mode: '', module: 0, page: 0};
    var listeners = [];
    var answerListeners = [];
    // The documents name the export's folder by a mark; its address goes in,
    // safe inside the documents' script strings and attributes.
    var root = new URL('./', location.href).href.replace(/'/g, '%27').replace(/\\/g, '%5C');

    function placed(documentText) {
        return String(documentText).split(course.rootMark).join(root);
    }

    // Names as the course's queries compare them: ASCII letters in either case.
    function fold(name) {
        return String(name).replace(/[A-Z]/g, function (c) { return c.toLowerCase(); });
    }

    // Keyword and document names are stored with these characters as references.
    function stored(name) {
        return String(name).replace(/'/g, '&#39;').replace(/"/g, '&#34;')
            .replace(/</g, '&#60;').replace(/>/g, '&#62;');
    }

    function lookUp(map, key) {
        return Object.prototype.hasOwnProperty.call(map, key) ? map[key] : undefined;
    }

    function flexFor(size) {
        if (/^\d+$/.test(size))
            return '0 0 ' + size + 'px';
        if (/%$/.test(size))
            return '0 0 ' + size;
        return (parseFloat(size) || 1) + ' 1 0';
    }

    // A frameset of the skin as boxes and frames of this page.
    function layout(set, into) {
        var vertical = set.hasAttribute('rows');
        var sizes = (set.getAttribute(vertical ? 'rows' : 'cols') || '*').split(',');
        into.style.display = 'flex';
        into.style.flexDirection = vertical ? 'column' : 'row';
        var parts = Array.prototype.filter.call(set.children, function (child) {
            return child.tagName === 'FRAMESET' || child.tagName === 'FRAME';
        });
        parts.forEach(function (part, i) {
            var cell = document.createElement(part.tagName === 'FRAME' ? 'iframe' : 'div');
            cell.style.flex = flexFor((sizes[i] || '*').trim());
            cell.style.minWidth = '0';
            cell.style.minHeight = '0';
            if (part.tagName === 'FRAMESET') {
                layout(part, cell);
            } else {
                cell.name = part.getAttribute('name') || '';
                cell.title = part.getAttribute('title') || '';
                if (part.getAttribute('scrolling') === 'no')
                    cell.setAttribute('scrolling', 'no');
            }
            into.appendChild(cell);
        });
    }

    function showFrames(kind) {
        box.textContent = '';
        var parsed = new DOMParser().parseFromString(course.framesets[kind], 'text/html');
        var set = parsed.querySelector('frameset');
        if (set)
            layout(set, box);
    }

    function frame(name) {
        return box.querySelector('iframe[name="' + name + '"]');
    }

    function tell() {
        var now = position();
        listeners.forEach(function (listener) { listener(now); });
    }

    function position() {
        return {mode: state.mode, module: state.module, page: state.page};
    }

    function showWhole(mode, kind, documentText) {
        state.mode = mode;
        showFrames(kind);
        frame('display').srcdoc = placed(documentText);
        tell();
    }

    function showMenu() {
        showWhole('menu', 'menu', course.menu);
    }

    function showTitle() {
        showWhole('header', 'header', course.titlePage);
    }

    // The page the state names; past the module's last page, the course menu.
    function showPage() {
        var pages = course.modules[state.module] || [];
        if (state.page < 0)
            state.page = 0;
        if (state.page >= pages.length) {
            showMenu();
            return;
        }
        if (state.mode !== 'module') {
            state.mode = 'module';
            showFrames('page');
        }
        frame('engine').srcdoc = placed(pages[state.page]);
        tell();
    }

    // Calls a function of the page shown, as the program runs script in it.
    function inPage(name, args) {
        var engine = frame('engine');
        var w = engine && engine.contentWindow;
        if (w && typeof w[name] === 'function')
            w[name].apply(w, args);
    }

    function lastPage() {
        return (course.modules[state.module] || []).length - 1;
    }

    var moves = {
        fastbackward: function () { state.page = 0; },
        backward: function () { state.page = Math.max(0, state.page - 1); },
        forward: function () { state.page = Math.max(0, state.page) + 1; },
        fastforward: function () { state.page = lastPage(); }
    };

    function goTo(pageName) {
        if (!pageName)
            return;
        var place = lookUp(course.pages, fold(pageName));
        if (!place) {
            inPage('showMessage', [NoPageFound]);
            return;
        }
        state.module = place[0];
        state.page = place[1];
        showPage();
    }

    function exit() {
        state.mode = 'ended';
        box.textContent = '';
        ended.hidden = false;
        tell();
        window.close();
    }

    var answers = {
        go: goTo,
        home: showMenu,
        module: function (argument) {
            var number = parseInt(argument, 10);
            if (isNaN(number))
                return;
            state.module = number;
            state.page = 0;
            state.mode = '';
            showPage();
        },
        keyword: function (argument) {
            var name = stored(argument);
            var description = lookUp(course.keywords, fold(name));
            inPage('showDescription', [name, description === undefined ? KeywordNotFound
                                                                          : description]);
        },
        dlink: function (argument) {
            var file = lookUp(course.documents, fold(stored(argument)));
            if (file)
                inPage('showDlink', [file]);
            else
                inPage('showMessage', [NoFileFound]);
        },
        glossary: function () {
            window.open('glossary.html', 'koaGlossary',
                        'width=640,height=720,resizable=yes,scrollbars=yes');
        },
        about: function () { document.getElementById('koa-about').showModal(); },
        exit: exit
    };

    function command(word) {
        var text = String(word);
        var star = text.indexOf('*');
        var name = star < 0 ? text : text.slice(0, star);
        var argument = star < 0 ? '' : text.slice(star + 1);
        if (lookUp(moves, name)) {
            moves[name]();
            showPage();
        } else if (lookUp(answers, name)) {
            answers[name](argument);
        }
    }

    document.getElementById('koa-again').addEventListener('click', function () {
        ended.hidden = true;
        showTitle();
    });
    // Stored titles hold their characters as references; shown as text.
    var title = new DOMParser().parseFromString(course.title || '', 'text/html');
    if (title.documentElement.textContent.trim())
        document.title = title.documentElement.textContent.trim();
    window.KOAWeb = {
        command: command,
        position: position,
        // Learning platforms follow the learner through here.
        onMove: function (listener) { listeners.push(listener); },
        onAnswer: function (listener) { answerListeners.push(listener); },
        // A page's quiz form was checked.
        answered: function (form) {
            answerListeners.forEach(function (listener) { listener(form); });
        },
        resume: function (module, page) {
            state.module = module;
            state.page = page;
            state.mode = '';
            showPage();
        }
    };
    showTitle();
})();
