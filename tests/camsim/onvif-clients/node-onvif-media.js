// One camera's media through the npm package onvif: its profiles, stream and
// snapshot addresses, encoder configurations and imaging settings; then a new
// resolution and frame rate for the main stream, read back, and a resolution
// the camera does not offer, which it must refuse. The package speaks Media2
// when the camera offers it, Media otherwise. Prints one JSON object; exits 1
// with the error otherwise.
// usage: node node-onvif-media.js HOST PORT USER PASSWORD WIDTH HEIGHT FPS
'use strict';
const { Cam } = require('onvif');

const [host, port, username, password, width, height, fps] = process.argv.slice(2);

function call(cam, method, ...args) {
    return new Promise((resolve, reject) => {
        cam[method](...args, (err, result) => (err ? reject(new Error(method + ': ' + err.message)) : resolve(result)));
    });
}

function connect() {
    return new Promise((resolve, reject) => {
        const c = new Cam({ hostname: host, port: Number(port), username, password, timeout: 5000 }, (err) =>
            err ? reject(new Error('connect: ' + err.message)) : resolve(c));
    });
}

// The package's Media and Media2 shapes of an encoder, side by side.
function encoderOf(config) {
    const rate = config.rateControl || {};
    return { token: config.$.token, encoding: config.encoding, width: Number(config.resolution.width),
             height: Number(config.resolution.height), fps: Number(rate.frameRateLimit),
             kbps: Number(rate.bitrateLimit) };
}

function change(media2, token, w, h, rate) {
    const common = { token, encoding: 'H264', resolution: { width: w, height: h }, quality: 5,
                     rateControl: { frameRateLimit: rate, encodingInterval: 1, bitrateLimit: 2048 } };
    if (media2) {
        return { ...common, $: { token, GovLength: 30, Profile: 'Main' },
                 rateControl: { ...common.rateControl, $: { ConstantBitRate: true } } };
    }
    return { ...common, H264: { govLength: 30, profile: 'Main' }, sessionTimeout: 'PT60S' };
}

async function main() {
    const cam = await connect();
    const profiles = cam.profiles.map((p) => ({ token: p.$.token, encoder: encoderOf(p.videoEncoderConfiguration) }));
    const streamUri = await call(cam, 'getStreamUri', { protocol: 'RTSP', profileToken: 'profile_1' });
    const subStreamUri = await call(cam, 'getStreamUri', { protocol: 'RTSP', profileToken: 'profile_2' });
    const snapshotUri = await call(cam, 'getSnapshotUri', { profileToken: 'profile_1' });
    const imaging = await call(cam, 'getImagingSettings', { token: 'video_source_1' });
    const token = profiles[0].encoder.token;
    await call(cam, 'setVideoEncoderConfiguration', change(cam.media2Support, token, Number(width), Number(height),
                                                         Number(fps)));
    const after = (await call(cam, 'getVideoEncoderConfigurations')).map(encoderOf);
    let refused = null;
    try {
        await call(cam, 'setVideoEncoderConfiguration', change(cam.media2Support, token, 999, 333, Number(fps)));
    } catch (err) {
        refused = err.message;
    }
    console.log(JSON.stringify({
        media2: Boolean(cam.media2Support), profiles, streamUri: streamUri.uri, subStreamUri: subStreamUri.uri,
        snapshotUri: snapshotUri.uri, brightness: Number(imaging.brightness), irCutFilter: imaging.irCutFilter,
        after, refused,
    }));
}

main().catch((err) => {
    console.error(err.message);
    process.exit(1);
});
