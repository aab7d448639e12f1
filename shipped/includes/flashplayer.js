// Settings of the Flash player (includes/ruffle/ruffle.js), which course
// pages and the object pool load after this file. Flash files are found by
// the player in the EMBEDs of the page.
window.RufflePlayer = window.RufflePlayer || {};
window.RufflePlayer.config = {
    // Sound starts as soon as the browser lets it; where the browser waits
    // for the learner, the player shows its own "click to unmute".
    autoplay: 'auto',
    unmuteOverlay: 'visible',
    // The page belongs to the course: no logo while loading, no menu
    // naming the player.
    splashScreen: false,
    contextMenu: 'off',
    showSwfDownload: false,
    // Files of old courses the player cannot fully play still show.
    warnOnUnsupportedContent: false,
    // Links in an animation go through the page, which the program guards.
    openUrlMode: 'allow',
    allowFullscreen: false,
    // Course animations are small: the canvas draws them on every machine,
    // also without graphics acceleration, where the others fail noisily.
    preferredRenderer: 'canvas',
    // The player looks for its modules beside its script.
    publicPath: null,
    polyfills: true
};
