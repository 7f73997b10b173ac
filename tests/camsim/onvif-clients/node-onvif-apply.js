// The reference of the ONVIF batch-apply benchmark: the npm package onvif sets
// NTP and a time zone on each camera, one camera after another, as an
// installer's one-camera tool does. Prints how many cameras took both.
// usage: node node-onvif-apply.js USER PASSWORD NTP-SERVER TZ HOST...
'use strict';
const { Cam } = require('onvif');

const [username, password, ntpServer, timezone, ...hosts] = process.argv.slice(2);

function call(cam, method, ...args) {
    return new Promise((resolve, reject) => {
        cam[method](...args, (err, result) => (err ? reject(new Error(method + ': ' + err.message)) : resolve(result)));
    });
}

function connect(hostname) {
    return new Promise((resolve, reject) => {
        const c = new Cam({ hostname, port: 80, username, password, timeout: 5000 }, (err) =>
            err ? reject(new Error(hostname + ' connect: ' + err.message)) : resolve(c));
    });
}

async function main() {
    let done = 0;
    for (const host of hosts) {
        try {
            const cam = await connect(host);
            await call(cam, 'setNTP', { fromDHCP: false, NTPManual: [{ type: 'DNS', DNSname: ntpServer }] });
            await call(cam, 'setSystemDateAndTime', { dateTimeType: 'NTP', daylightSavings: false, timezone });
            ++done;
        } catch (err) {
            console.error(err.message);
        }
    }
    console.log(JSON.stringify({ done }));
}

main();
