// What one camera draws, changed through the npm package onvif: the
// brightness (imaging service) and the title OSD's text and corner (Media2).
// Prints the imaging settings and OSDs read back as JSON; exits 1 with the
// error otherwise.
// usage: node node-onvif-picture.js HOST PORT USER PASSWORD BRIGHTNESS TITLE
'use strict';
const { Cam } = require('onvif');

const [host, port, username, password, brightness, title] = process.argv.slice(2);

function call(cam, method, ...args) {
    return new Promise((resolve, reject) => {
        cam[method](...args, (err, result) => (err ? reject(new Error(method + ': ' + err.message)) : resolve(result)));
    });
}

async function main() {
    const cam = await new Promise((resolve, reject) => {
        const c = new Cam({ hostname: host, port: Number(port), username, password, timeout: 5000 }, (err) =>
            err ? reject(new Error('connect: ' + err.message)) : resolve(c));
    });
    await call(cam, 'setImagingSettings', { token: 'video_source_1', brightness: Number(brightness) });
    const imaging = await call(cam, 'getImagingSettings', { token: 'video_source_1' });
    const before = (await call(cam, 'getOSDs')).getOSDsResponse.OSDs;
    const titleOsd = before.find((osd) => osd.textString.type === 'Plain');
    await call(cam, 'setOSD', { OSDToken: titleOsd.$.token, videoSourceConfigurationToken: 'vsc_1',
                                position: 'LowerLeft', plaintext: title });
    const after = (await call(cam, 'getOSDs')).getOSDsResponse.OSDs;
    console.log(JSON.stringify({
        brightness: Number(imaging.brightness),
        osds: after.map((osd) => ({ token: osd.$.token, type: osd.textString.type, text: osd.textString.plainText,
                                    position: osd.position.type })),
    }));
}

main().catch((err) => {
    console.error(err.message);
    process.exit(1);
});
