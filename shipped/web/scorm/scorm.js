// Reports a course exported as a SCORM package to the learning platform that
// launched it: where the learner stands (the bookmark), the pages seen (in
// the suspend data), completion once every page of every module was seen and
// the quizzes' score (right statements out of all). Without a platform the
// course plays as a plain export for the web.
(function () {
    'use strict';

    var player = window.KOAWeb;
    var course = window.KOA_COURSE;
    if (!player || !course)
        return;

    // The standard search: up through the parents, then the opener's.
    function searchFrom(win, name) {
        for (var hops = 0; win && hops < 10; ++hops) {
            try {
                if (win[name])
                    return win[name];
                if (win.parent === win)
                    return null;
                win = win.parent;
            } catch (e) {
                return null; // a window of another site
            }
        }
        return null;
    }

    function find(name) {
        return searchFrom(window, name) || (window.opener ? searchFrom(window.opener, name) : null);
    }

    function scorm2004(api) {
        return {
            start: function () { return api.Initialize(''); },
            get: function (key) { return String(api.GetValue(key) || ''); },
            set: function (key, value) { api.SetValue(key, String(value)); },
            commit: function () { api.Commit(''); },
            finish: function () { api.Terminate(''); },
            location: 'cmi.location',
            entry: 'cmi.entry',
            exit: 'cmi.exit',
            score: 'cmi.score.',
            status: function (complete) {
                api.SetValue('cmi.completion_status', complete ? 'completed' : 'incomplete');
            },
            scaled: true
        };
    }

    function scorm12(api) {
        return {
            start: function () { return api.LMSInitialize(''); },
            get: function (key) { return String(api.LMSGetValue(key) || ''); },
            set: function (key, value) { api.LMSSetValue(key, String(value)); },
            commit: function () { api.LMSCommit(''); },
            finish: function () { api.LMSFinish(''); },
            location: 'cmi.core.lesson_location',
            entry: 'cmi.core.entry',
            exit: 'cmi.core.exit',
            score: 'cmi.core.score.',
            status: function (complete) {
                api.LMSSetValue('cmi.core.lesson_status', complete ? 'completed' : 'incomplete');
            },
            scaled: false
        };
    }

    var found2004 = find('API_1484_11');
    var found12 = found2004 ? null : find('API');
    var lms = found2004 ? scorm2004(found2004) : found12 ? scorm12(found12) : null;
    if (!lms || String(lms.start()) !== 'true')
        return;

    var pageCount = course.modules.reduce(function (sum, pages) { return sum + pages.length; }, 0);
    var seen = {};
    var answers = {}; // "quiz<id>.<n>": right
    var finished = false;

    // The suspend data: "p=0.0,0.1;a=quiz3.0:1,quiz3.1:0".
    function readSuspended(text) {
        String(text).split(';').forEach(function (part) {
            var value = part.slice(2);
            if (part.indexOf('p=') === 0) {
                value.split(',').forEach(function (key) {
                    if (/^\d+\.\d+$/.test(key))
                        seen[key] = true;
                });
            } else if (part.indexOf('a=') === 0) {
                value.split(',').forEach(function (pair) {
                    var m = /^(quiz\d+\.\d+):([01])$/.exec(pair);
                    if (m)
                        answers[m[1]] = m[2] === '1';
                });
            }
        });
    }

    function suspended() {
        var pairs = Object.keys(answers).map(function (key) {
            return key + ':' + (answers[key] ? '1' : '0');
        });
        return 'p=' + Object.keys(seen).join(',') + ';a=' + pairs.join(',');
    }

    function complete() {
        return Object.keys(seen).length >= pageCount;
    }

    function report() {
        lms.set('cmi.suspend_data', suspended());
        lms.status(complete());
        var total = course.statementCount || 0;
        if (total > 0 && Object.keys(answers).length > 0) {
            var right = Object.keys(answers).filter(function (key) { return answers[key]; });
            var raw = Math.round(100 * right.length / total);
            lms.set(lms.score + 'min', 0);
            lms.set(lms.score + 'max', 100);
            lms.set(lms.score + 'raw', raw);
            if (lms.scaled)
                lms.set(lms.score + 'scaled', raw / 100);
        }
        lms.commit();
    }

    // Every statement of a checked quiz counts, right when its box says
    // what the statement is.
    function takeAnswers(form) {
        var name = form.getAttribute('name') || '';
        for (var n = 0; form['box' + n] && form['answer' + n]; ++n) {
            answers[name + '.' + n] =
                form['box' + n].checked.toString() === String(form['answer' + n].value);
        }
        report();
    }

    function finish() {
        if (finished)
            return;
        finished = true;
        lms.set(lms.exit, complete() ? '' : 'suspend');
        report();
        lms.finish();
    }

    player.onMove(function (at) {
        if (finished)
            return;
        if (at.mode === 'ended') {
            finish();
            return;
        }
        if (at.mode !== 'module')
            return;
        seen[at.module + '.' + at.page] = true;
        lms.set(lms.location, at.module + '.' + at.page);
        report();
    });
    player.onAnswer(function (form) {
        if (!finished && /^quiz\d+$/.test(form.getAttribute('name') || ''))
            takeAnswers(form);
    });
    window.addEventListener('pagehide', finish);

    // A learner coming back goes on where they left.
    if (lms.get(lms.entry) === 'resume') {
        readSuspended(lms.get('cmi.suspend_data'));
        var at = /^(\d+)\.(\d+)$/.exec(lms.get(lms.location));
        if (at && course.modules[+at[1]] && +at[2] < course.modules[+at[1]].length)
            player.resume(+at[1], +at[2]);
    }
})();
