// One camera through the npm package onvif: log in, read the device
// information and the time, set a manual time with a time zone, set NTP, and
// read both back. Prints one JSON object; exits 1 with the error otherwise.
// usage: node node-onvif-check.js HOST PORT USER PASSWORD
'use strict';
const { Cam } = require('onvif');

const [host, port, username, password] = process.argv.slice(2);
const wantedTime = new Date(Date.UTC(2031, 4, 17, 8, 30, 0));
const wantedZone = 'CST-8';
const wantedNtp = '192.168.0.250';

function call(cam, method, ...args) {
    return new Promise((resolve, reject) => {
        cam[method](...args, (err, result) => (err ? reject(new Error(method + ': ' + err.message)) : resolve(result)));
    });
}

// A login learns the camera's clock; after the clock is set, a new login
// corrects the WS-Security timestamps by the new offset.
function connect() {
    return new Promise((resolve, reject) => {
        const c = new Cam({ hostname: host, port: Number(port), username, password, timeout: 5000 }, (err) =>
            err ? reject(new Error('connect: ' + err.message)) : resolve(c));
    });
}

async function main() {
    let cam = await connect();
    const info = await call(cam, 'getDeviceInformation');
    const before = await call(cam, 'getSystemDateAndTime');
    await call(cam, 'setSystemDateAndTime', { dateTimeType: 'Manual', daylightSavings: false, timezone: wantedZone,
                                              dateTime: wantedTime });
    const manual = await call(cam, 'getSystemDateAndTime');
    cam = await connect();
    await call(cam, 'setNTP', { fromDHCP: false, NTPManual: [{ type: 'IPv4', IPv4Address: wantedNtp }] });
    await call(cam, 'setSystemDateAndTime', { dateTimeType: 'NTP', daylightSavings: false, timezone: wantedZone });
    const ntp = await call(cam, 'getNTP');
    const after = await call(cam, 'getSystemDateAndTime');
    const ntpManual = [].concat(ntp.NTPManual || []);
    console.log(JSON.stringify({
        manufacturer: info.manufacturer, model: info.model, firmware: info.firmwareVersion,
        timeBefore: before.toISOString(),
        manualTime: manual.toISOString(), manualSkewSec: Math.abs(manual - wantedTime) / 1000,
        ntpServer: ntpManual.length ? ntpManual[0].IPv4Address : null, ntpFromDhcp: ntp.fromDHCP,
        timeAfter: after.toISOString(),
    }));
}

main().catch((err) => {
    console.error(err.message);
    process.exit(1);
});
